#!/usr/bin/env python3
"""Start-up time of the client against a bare one-dialog program, in one run.

Starts `Tolv.exe /TolvD` against the stand-in server and measures until the
login background (the first window a player sees) is visible; then starts a
program that only opens one dialog and measures until that dialog is visible.
Both are started and watched by the same helper inside the running Wine
session (startwatch), so both pay the same process start. One unmeasured
round of each first, then ROUNDS alternating rounds; prints both medians and
their ratio. Not a timed test: figures depend on the machine; the ratio is
what to compare.

    scripts/bench-startup [OTHER_TOLV_EXE]   (sets up Wine and builds first)

With OTHER_TOLV_EXE (another build of the same configuration, for example
one made before a change), that executable is measured in the same rounds
too, so that a before and an after share the machine's load.
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from tolv_e2e import WINE, StandIn  # noqa: E402

ROUNDS = int(os.environ.get("TOLV_BENCH_ROUNDS", "7"))
TIMEOUT_MS = 60000


def watch(startwatch, title, command_line):
    out = subprocess.run([WINE, startwatch, title, str(TIMEOUT_MS), command_line],
                         stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, timeout=TIMEOUT_MS / 1000 + 30)
    lines = [l for l in out.stdout.decode("utf-8").splitlines() if l.startswith("{")]
    ms = json.loads(lines[-1])["ms"] if lines else -1
    if ms < 0:
        raise SystemExit("bench-startup: %s showed no window titled %r" % (command_line, title))
    return ms


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def main():
    startwatch = os.environ["TOLV_STARTWATCH"]
    port = int(os.environ["TOLV_STANDIN_PORT"])
    work = tempfile.mkdtemp(prefix="tolv-bench-startup-")
    # Copies of their own: the settings file the client keeps beside itself
    # stays out of the build folder.
    clients = [("Tolv.exe", os.environ["TOLV_EXE"])]
    if os.environ.get("TOLV_BENCH_COMPARE"):
        clients.append(("other Tolv.exe", os.environ["TOLV_BENCH_COMPARE"]))
    lines = []
    for i, (name, path) in enumerate(clients):
        folder = os.path.join(work, str(i))
        os.mkdir(folder)
        shutil.copy(path, os.path.join(folder, "Tolv.exe"))
        lines.append((name, '"%s" /TolvD' % windows_path(os.path.join(folder, "Tolv.exe"))))
    bare = '"%s"' % windows_path(os.environ["TOLV_BARE_DIALOG"])
    standin = StandIn(port).start()
    times = {name: [] for name, _ in lines}
    plain = []
    try:
        for _, line in lines:
            watch(startwatch, "BrindloTolvane", line)
        watch(startwatch, "Bare dialog", bare)
        for _ in range(ROUNDS):
            for name, line in lines:
                times[name].append(watch(startwatch, "BrindloTolvane", line))
            plain.append(watch(startwatch, "Bare dialog", bare))
    finally:
        standin.stop()
        shutil.rmtree(work, ignore_errors=True)
    b = statistics.median(plain)
    print("bare program to its one dialog:          median %4d ms  %s" % (b, sorted(plain)))
    for name, _ in lines:
        t = statistics.median(times[name])
        print("%-14s /TolvD to the login background: median %4d ms  %s"
              % (name, t, sorted(times[name])))
        print("ratio%s: %.2f" % ("" if name == "Tolv.exe" else " (other)", t / b))


if __name__ == "__main__":
    main()
