"""Self-update figures: an 8 MiB download through the client's own code
against curl fetching the same file from the same loopback server, at full
loopback speed (x86_64) and paced at 100 Mbit/s as a player's line delivers
it (the i686 release), and how long the user-interface thread is held when
the version server accepts and never answers."""
import os
import re
import statistics
import subprocess
import sys
import time
from pathlib import Path

from bench import ROOT, figure

sys.path.insert(0, str(ROOT / "tests" / "harness"))
import http_servers  # noqa: E402

RUNS = 5
SIZE = 8 << 20
LINE_RATE = 100_000_000 // 8  # 100 Mbit/s in bytes per second


def _probe(ctx, tier="win64"):
    """The probe, built with the test builds' update key (that of vexa-scripted.exe)."""
    exe = ctx.out / f"update_probe-{tier}.exe"
    key = ctx.build / tier / "gen" / "vexa-scripted" / "UpdateKey.cpp"
    ctx.mingw(ROOT / "bench" / "update_probe.cpp", exe, [str(key), *ctx.client_code(tier)], tier=tier)
    w = ctx.wine(tier)
    return w, w.put_file(exe, r"C:\bench\update_probe.exe")


def _seconds(w, exe, *args):
    out = w.run([exe, *args], timeout=120).stdout
    m = re.search(r"seconds ([0-9.]+)", out)
    if not m:
        raise RuntimeError(f"update_probe printed {out!r}")
    return float(m.group(1))


def _download_against_curl(ctx, tier, rate=None):
    """Median seconds of the client's download and of curl's, same server and file."""
    w, exe = _probe(ctx, tier)
    blob = ctx.out / "download-8MiB.bin"
    if not blob.exists() or blob.stat().st_size != SIZE:
        blob.write_bytes(os.urandom(SIZE))
    # One byte more is announced than sent: the client then moves the whole
    # body to its file and stops there (no MD5, no start of the new client).
    routes = {"/v.bin": http_servers.Reply(file=blob, announce=SIZE + 1, rate=rate),
              "/curl.bin": http_servers.Reply(file=blob, rate=rate)}
    with http_servers.LoopbackServer(routes) as server:
        client = statistics.median(_seconds(w, exe, "download", server.url("/v.bin")) for _ in range(RUNS))
        copy = ctx.out / "download-curl.bin"

        def curl():
            start = time.perf_counter()
            subprocess.run(["curl", "-s", "-o", str(copy), server.url("/curl.bin")], check=True)
            return time.perf_counter() - start

        reference = statistics.median(curl() for _ in range(RUNS))
    return client, reference


@figure
def update_download(ctx):
    client, reference = _download_against_curl(ctx, "win64")
    return [f"update download of 8 MiB from loopback into a file (x86_64, median of {RUNS}, 1024-byte reads): "
            f"client {client:.3f} s, curl {reference:.3f} s, ratio {client / reference:.2f} (goal <= 2.0)"]


@figure
def update_download_paced(ctx):
    client, reference = _download_against_curl(ctx, "win32", rate=LINE_RATE)
    return [f"update download of 8 MiB sent at 100 Mbit/s (i686 release, Wine 10, median of {RUNS}): "
            f"client {client:.3f} s, curl {reference:.3f} s, ratio {client / reference:.2f}"]


@figure
def update_check_stalled(ctx):
    w, exe = _probe(ctx)
    stall = http_servers.Reply(stall_before_head=True)
    with http_servers.LoopbackServer({"*": stall}) as server:
        held = max(_seconds(w, exe, "check", server.base) for _ in range(RUNS))
    return [f"user-interface thread held by a version server that accepts and never answers "
            f"(worst of {RUNS}): {held:.2f} s (goal <= 5.5 s)"]
