"""Signed updates: the size the signature check of downloaded clients adds to
the i686 release (against the same sources with an empty stand-in for it,
VEXA_BENCH_WITHOUT_SIGNED_UPDATES), and the time it adds to an update of the
1.4 MB test client (fetching <URL>.sig, SHA-256 of the file, ECDSA
verification) as a ratio to the download of that client."""
import re
import statistics

import figures_update
import http_servers
from bench import figure

RUNS = 5


@figure
def signed_update_size(ctx):
    release, without = ctx.release_sizes_without("VEXA_BENCH_WITHOUT_SIGNED_UPDATES")
    return [f"signed-update size in the i686 release (the .sig fetch, DER reading, CNG verification): "
            f"{release - without} bytes ({release} with, {without} with an empty stand-in)"]


@figure
def signature_check_time(ctx):
    w, exe = figures_update._probe(ctx)
    client = ctx.win64 / "vexa-scripted-1.0.0.1.exe"
    signature = client.with_name(client.name + ".sig")
    size = client.stat().st_size
    local = w.put_file(client, r"C:\bench\client.exe")
    # The download as the client makes it, stopped before its checks: one
    # byte more is announced than sent.
    routes = {"/d.exe": http_servers.Reply(file=client, announce=size + 1),
              "/s.exe.sig": http_servers.Reply(file=signature)}
    with http_servers.LoopbackServer(routes) as server:
        download = statistics.median(figures_update._seconds(w, exe, "download", server.url("/d.exe"))
                                     for _ in range(RUNS))
        checks, verifies = [], []
        for _ in range(RUNS):
            out = w.run([exe, "signature", server.url("/s.exe"), w.win_path(local)], timeout=120).stdout
            m = re.search(r"seconds ([0-9.]+) verify ([0-9.]+)", out)
            if not m:
                raise RuntimeError(f"update_probe printed {out!r}")
            checks.append(float(m.group(1)))
            verifies.append(float(m.group(2)))
    check, verify = statistics.median(checks), statistics.median(verifies)
    return [f"signature check of a {size / 1e6:.2f} MB client under Wine (median of {RUNS}): {check * 1000:.1f} ms "
            f"(.sig fetch {(check - verify) * 1000:.1f} ms, SHA-256 and ECDSA {verify * 1000:.1f} ms), "
            f"download {download * 1000:.1f} ms, ratio {check / download:.3f} of the download"]
