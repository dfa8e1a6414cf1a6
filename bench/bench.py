#!/usr/bin/env python3
"""`make bench`: prints the project's size and speed figures. Each figure is a
function registered with @figure (here, or in a bench/figures_*.py module that
does `from bench import figure`); it gets the bench context and returns lines
of text. Figures that run Windows code share one prefix and display."""
import argparse
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "harness"))

FIGURES = []


def figure(fn):
    FIGURES.append(fn)
    return fn


class Context:
    def __init__(self, build):
        self.build = Path(build)
        self.win32 = self.build / "win32"
        self.win64 = self.build / "win64"
        self.out = self.build / "bench"
        self.out.mkdir(parents=True, exist_ok=True)
        self._wine = None

    def wine(self):
        """One Wine prefix and display for the figures that need them."""
        if self._wine is None:
            import os
            os.environ["VEXA_WIN64_DIR"] = str(self.win64)
            import importlib
            import wine
            importlib.reload(wine)
            if not wine.TEMPLATE.exists():
                wine.make_template()
            self._wine = wine.Wine("bench")
        return self._wine

    def mingw(self, source, output, extra=()):
        """Builds a small helper with the client's toolchain and flags."""
        subprocess.run(["x86_64-w64-mingw32-g++-posix", "-Os", "-municode", "-mwindows", "-static", "-s",
                        str(source), "-o", str(output), *extra], check=True)
        return output

    def close(self):
        if self._wine:
            self._wine.close()


def median_time(fn, runs):
    return statistics.median(fn() for _ in range(runs))


def time_to_window(w, exe, title, timeout=30):
    """Seconds from starting exe until a window with this title is mapped."""
    start = time.time()
    proc = w.start([exe])
    while time.time() - start < timeout:
        if w.find_windows(title):
            elapsed = time.time() - start
            break
        time.sleep(0.02)
    else:
        raise RuntimeError(f"{exe} showed no window {title!r}")
    subprocess.run([w.env.get("WINESERVER", "/usr/lib/wine/wineserver"), "-k"], env=w.env)
    proc.wait(10)
    subprocess.run(["/usr/lib/wine/wineserver", "-p"], env=w.env)
    return elapsed


@figure
def release_size(ctx):
    exe = ctx.win32 / "vexa.exe"
    size = exe.stat().st_size
    return [f"release size: {exe.relative_to(ROOT)} = {size} bytes ({size / 1024:.0f} KiB)"]


@figure
def startup_time(ctx):
    w = ctx.wine()
    bare = ctx.mingw(ROOT / "bench" / "bare_window.cpp", ctx.out / "bare_window.exe")
    client = w.put_file(ctx.win64 / "vexa.exe", r"C:\bench\vexa.exe")
    bare_in = w.put_file(bare, r"C:\bench\bare_window.exe")
    time_to_window(w, bare_in, "BareWindow")  # warm the prefix once
    runs = 3
    t_bare = median_time(lambda: time_to_window(w, bare_in, "BareWindow"), runs)
    t_client = median_time(lambda: time_to_window(w, client, "Vexaria极速登录器"), runs)
    return [f"start-up to first mapped window under Wine (median of {runs}): client {t_client:.2f} s, "
            f"bare Win32 window {t_bare:.2f} s, ratio {t_client / t_bare:.2f}"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(ROOT / "build"))
    parser.add_argument("only", nargs="*", help="names of figures to print (default: all)")
    args = parser.parse_args()
    for path in sorted((ROOT / "bench").glob("figures_*.py")):
        __import__(path.stem)
    ctx = Context(args.build)
    failed = False
    try:
        for fn in FIGURES:
            if args.only and fn.__name__ not in args.only:
                continue
            try:
                for line in fn(ctx):
                    print(line, flush=True)
            except Exception as e:  # one broken figure does not hide the others
                failed = True
                print(f"{fn.__name__}: FAILED: {e}", flush=True)
    finally:
        ctx.close()
    return 1 if failed else 0


if __name__ == "__main__":
    # Figure modules (bench/figures_*.py) register with `from bench import figure`.
    sys.modules["bench"] = sys.modules["__main__"]
    sys.path.insert(0, str(ROOT / "bench"))
    sys.exit(main())
