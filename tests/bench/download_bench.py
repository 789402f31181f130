#!/usr/bin/env python3
"""Throughput of the client's download routine against curl, in one run.

Downloads a 64 MiB file from the stand-in server through the routine the
update uses (written straight to a file, with a progress call per piece) and
through curl, three rounds each, and prints both throughputs and their ratio.
Then it times the update's checks of the downloaded file: its version token
(MD5) and its signature by the test key (SHA-256 and RSA), and prints what
the signature adds to the update's time (download and token check).
The routine's time is the one the fetch helper measures around the download
itself, so Wine's start-up does not count; curl's is its whole run. Not a
timed test: figures depend on the machine; the ratio is what to compare.

    scripts/bench-download      (sets up Wine and builds first)
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from tolv_e2e import ROOT, WINE, StandIn  # noqa: E402

SIZE = 64 * 1024 * 1024
ROUNDS = 3


def timed(cmd):
    began = time.perf_counter()
    subprocess.run(cmd, check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return time.perf_counter() - began


def fetch_ms(cmd):
    """Runs the fetch helper; the download's own time in seconds."""
    out = subprocess.run(cmd, check=True, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL)
    lines = [l for l in out.stdout.decode("utf-8").splitlines() if l.startswith("{")]
    result = json.loads(lines[-1])
    assert result["ok"] == 1 and result["last"] == 100, result
    return max(result["ms"], 1) / 1000.0


def check_times(fetch, path):
    """The token check's and the signature check's times in seconds."""
    keys = os.path.join(ROOT, "tests", "keys")
    sig = subprocess.run([os.path.join(ROOT, "scripts", "sign-update"),
                          os.path.join(keys, "update-test.pem"), path], check=True,
                         stdout=subprocess.PIPE).stdout.decode("ascii").strip()[len("Sig="):]
    with open(os.path.join(keys, "update-test.pub.pem")) as f:
        key = "".join(re.findall(r"^[A-Za-z0-9+/=]+$", f.read(), re.M))
    out = subprocess.run([WINE, fetch, "checks", path, sig, key], check=True,
                         stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL)
    result = json.loads([l for l in out.stdout.decode("utf-8").splitlines()
                         if l.startswith("{")][-1])
    assert result["ok"] == 1, result
    return result["token_ms"] / 1000.0, result["sig_ms"] / 1000.0


def main():
    fetch = os.environ["TOLV_FETCH"]
    port = int(os.environ.get("TOLV_BENCH_PORT", "28639"))
    standin = StandIn(port).start({"/big.bin": {"size": SIZE}})
    url = "http://127.0.0.1:%d/big.bin" % port
    out = tempfile.mkdtemp(prefix="tolv-bench-")
    target = os.path.join(out, "big.bin")
    try:
        client = min(fetch_ms([WINE, fetch, "file", url, target]) for _ in range(ROUNDS))
        assert os.path.getsize(target) == SIZE, "short download"
        checks = [check_times(fetch, target) for _ in range(ROUNDS)]
        token = min(t for t, _ in checks)
        sig = min(s for _, s in checks)
        curl = min(timed(["curl", "-s", "-o", target, url]) for _ in range(ROUNDS))
    finally:
        standin.stop()
        if os.path.exists(target):
            os.remove(target)
        os.rmdir(out)
    mib = SIZE / (1024 * 1024)
    print("client download routine: %.1f MiB/s (%.2f s)" % (mib / client, client))
    print("curl:                    %.1f MiB/s (%.2f s)" % (mib / curl, curl))
    print("ratio client/curl throughput: %.2f" % (curl / client))
    print("token check %.2f s, signature check %.2f s" % (token, sig))
    print("signature check / (download + token check): %.3f" % (sig / (client + token)))

if __name__ == "__main__":
    main()
