"""Self-update figures: an 8 MiB download through the client's own code
against curl fetching the same file from the same loopback server, and how
long the user-interface thread is held when the version server accepts and
never answers."""
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

LIBS = ["-lgdiplus", "-lwininet", "-lnetapi32", "-lshlwapi", "-lshell32", "-lole32", "-loleaut32", "-luuid",
        "-lcomctl32", "-ladvapi32", "-lcrypt32", "-lbcrypt", "-lversion"]
RUNS = 5


def _probe(ctx):
    """The probe, built with the test builds' update key (that of vexa-scripted.exe)."""
    exe = ctx.out / "update_probe.exe"
    key = ctx.win64 / "gen" / "vexa-scripted" / "UpdateKey.cpp"
    ctx.mingw(ROOT / "bench" / "update_probe.cpp", exe,
              ["-std=c++17", f"-I{ROOT}", str(key), str(ctx.win64 / "libvexa_core.a"), *LIBS,
               "/usr/x86_64-w64-mingw32/lib/libz.a"])
    w = ctx.wine()
    return w, w.put_file(exe, r"C:\bench\update_probe.exe")


def _seconds(w, exe, *args):
    out = w.run([exe, *args], timeout=120).stdout
    m = re.search(r"seconds ([0-9.]+)", out)
    if not m:
        raise RuntimeError(f"update_probe printed {out!r}")
    return float(m.group(1))


@figure
def update_download(ctx):
    w, exe = _probe(ctx)
    size = 8 << 20
    blob = ctx.out / "download-8MiB.bin"
    blob.write_bytes(os.urandom(size))
    # One byte more is announced than sent: the client then moves the whole
    # body to its file and stops there (no MD5, no start of the new client).
    routes = {"/v.bin": http_servers.Reply(file=blob, announce=size + 1), "/curl.bin": http_servers.Reply(file=blob)}
    with http_servers.LoopbackServer(routes) as server:
        client = statistics.median(_seconds(w, exe, "download", server.url("/v.bin")) for _ in range(RUNS))
        copy = ctx.out / "download-curl.bin"

        def curl():
            start = time.perf_counter()
            subprocess.run(["curl", "-s", "-o", str(copy), server.url("/curl.bin")], check=True)
            return time.perf_counter() - start

        reference = statistics.median(curl() for _ in range(RUNS))
    return [f"update download of 8 MiB from loopback into a file (median of {RUNS}, 1024-byte reads): "
            f"client {client:.3f} s, curl {reference:.3f} s, ratio {client / reference:.2f} (goal <= 2.0)"]


@figure
def update_check_stalled(ctx):
    w, exe = _probe(ctx)
    stall = http_servers.Reply(stall_before_head=True)
    with http_servers.LoopbackServer({"*": stall}) as server:
        held = max(_seconds(w, exe, "check", server.base) for _ in range(RUNS))
    return [f"user-interface thread held by a version server that accepts and never answers "
            f"(worst of {RUNS}): {held:.2f} s (goal <= 5.5 s)"]
