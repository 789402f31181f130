#!/usr/bin/env python3
"""The whole self-update of a 64 MiB executable, with and without its
signature check, in one run.

Each round installs a client, publishes a 64 MiB executable (the client
itself padded with zeros) and times `Tolv.exe /TolvD` from its start until
it ends with the new file swapped in: button-info query, manifest, update
window, download, token, machine and signature checks, swap. Tolv.exe (no
key, a manifest without "Sig") and TolvKeyed.exe (the test key, a signed
manifest; signed beforehand, so the stand-in's signing is not timed) take
turns; it prints the medians and their ratio. Not a timed test.

    scripts/bench-update      (after scripts/test)
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import test_update as plain  # noqa: E402
from tolv_e2e import EXE, ROOT, WINE, StandIn  # noqa: E402

SIZE = 64 * 1024 * 1024
ROUNDS = 5


def update_once(standin, source, published, sig):
    with open(source, "rb") as f:
        old = f.read()
    with open(published, "wb") as f:
        f.write(old + b"\0" * (SIZE - len(old)))
    with open(published, "rb") as f:
        new = f.read()
    folder = plain.install_folder()
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    exe = os.path.join(folder, "Tolv.exe")
    shutil.copy(source, exe)
    if sig:
        sig = subprocess.run([os.path.join(ROOT, "scripts", "sign-update"), sig, published],
                             check=True, stdout=subprocess.PIPE).stdout.decode("ascii")
    info = {"status": 1, "data": {"btn": "x", "url": "http://x/", "update": 1}}
    standin.set_routes({
        plain.BUTTON_INFO: {"body": json.dumps(info)},
        plain.MANIFEST: {"body": "[VerKey]\r\nTolv=%s\r\nUpdAddr=http://127.0.0.1:%d/f/Tolv.exe\r\n%s"
                                 % (plain.token(new), standin.port, sig or "")},
        "/f/Tolv.exe": {"file": published}})
    began = time.perf_counter()
    subprocess.run([WINE, exe, "/TolvD"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=180)
    took = time.perf_counter() - began
    assert os.path.getsize(exe) == SIZE, "the update was not swapped in"
    # The new executable started from the same path; it ends with the round.
    subprocess.run([WINE, "taskkill", "/f", "/im", "Tolv.exe"], stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    time.sleep(1)
    return took


def main():
    keyed = os.path.join(os.path.dirname(EXE), "TolvKeyed.exe")
    key = os.path.join(ROOT, "tests", "keys", "update-test.pem")
    standin = StandIn().start()
    work = tempfile.mkdtemp(prefix="tolv-bench-update-")
    times = {"plain": [], "signed": []}
    try:
        update_once(standin, EXE, os.path.join(work, "Tolv.exe"), None)  # unmeasured
        for _ in range(ROUNDS):
            times["plain"].append(update_once(standin, EXE, os.path.join(work, "Tolv.exe"), None))
            times["signed"].append(update_once(standin, keyed, os.path.join(work, "Tolv.exe"), key))
    finally:
        standin.stop()
        shutil.rmtree(work, True)
        shutil.rmtree(plain.install_folder(), True)
    p, s = statistics.median(times["plain"]), statistics.median(times["signed"])
    print("update without a key:      %.2f s (median of %d)" % (p, ROUNDS))
    print("update with its signature: %.2f s" % s)
    print("ratio signed/unsigned: %.3f" % (s / p))


if __name__ == "__main__":
    main()
