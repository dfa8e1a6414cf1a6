"""Cache cleaning: 5,000 cache entries and 5,000 files cleaned by the
client's code, against a bare enumerate-and-delete loop over the same data
in the same run (goal: at most 1.3)."""
import statistics

from bench import ROOT, figure

COUNT = 5000
ROUNDS = 3
GOAL = 1.3


@figure
def cache_cleaning(ctx):
    w = ctx.wine()
    probe = ctx.out / "cache_probe.exe"
    sources = [ROOT / "bench" / "cache_probe.cpp", ROOT / "mainwnd" / "CacheCleaner.cpp", ROOT / "base" / "Text.cpp"]
    ctx.mingw(sources[0], probe, extra=[str(s) for s in sources[1:]] + [
        f"-I{ROOT}", "-DUNICODE", "-D_UNICODE", "-mconsole", "-lwininet", "-lshell32"])
    exe = w.put_file(probe, r"C:\bench\cache_probe.exe")

    def timed(kind):
        w.run([exe, "fill", COUNT], timeout=600, check=True)
        return float(w.run([exe, kind], timeout=600, check=True).stdout.strip())

    client, bare = [], []
    for _ in range(ROUNDS):
        client.append(timed("client"))
        bare.append(timed("bare"))
    c, b = statistics.median(client), statistics.median(bare)
    verdict = "meets" if c / b <= GOAL else "misses"
    return [f"cache cleaning of {COUNT} entries + {COUNT} files under Wine (median of {ROUNDS}): client {c:.2f} s, "
            f"bare loop {b:.2f} s, ratio {c / b:.2f} ({verdict} the goal of {GOAL})"]
