#!/usr/bin/env python3
"""`make bench`: prints the project's size and speed figures. Each figure is a
function registered with @figure (here, or in a bench/figures_*.py module that
does `from bench import figure`); it gets the bench context and returns lines
of text. Figures that run Windows code share one prefix and display."""
import argparse
import importlib.util
import os
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


# Each build runs under its own Wine (tests/harness/wine.py): x86_64 under
# Debian 12's Wine 8, i686, the build players get, under Wine 10.
TOOLCHAINS = {"win64": "x86_64-w64-mingw32", "win32": "i686-w64-mingw32"}
CLIENT_LIBS = ["-lgdiplus", "-lwininet", "-lnetapi32", "-lshlwapi", "-lshell32", "-lole32", "-loleaut32", "-luuid",
               "-lcomctl32", "-ladvapi32", "-lcrypt32", "-lbcrypt", "-liphlpapi", "-lversion"]


def load_harness(build_dir):
    """The Wine harness set up for one build (the module reads its build and
    Wine when it is loaded, so each build gets a module object of its own)."""
    os.environ["VEXA_TEST_BUILD"] = str(build_dir)
    found = importlib.util.spec_from_file_location(f"wine_{build_dir.name}",
                                                   ROOT / "tests" / "harness" / "wine.py")
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


class Context:
    def __init__(self, build):
        self.build = Path(build).resolve()
        self.win32 = self.build / "win32"
        self.win64 = self.build / "win64"
        self.out = self.build / "bench"
        self.out.mkdir(parents=True, exist_ok=True)
        self._wines = {}

    def wine(self, tier="win64"):
        """One Wine prefix and display per build for the figures that need them."""
        if tier not in self._wines:
            harness = load_harness(self.build / tier)
            if not harness.TEMPLATE.exists():
                harness.make_template()
            self._wines[tier] = harness.Wine("bench")
        return self._wines[tier]

    def mingw(self, source, output, extra=(), tier="win64"):
        """Builds a small helper with the client's toolchain and flags."""
        subprocess.run([f"{TOOLCHAINS[tier]}-g++-posix", "-Os", "-municode", "-mwindows", "-static", "-s",
                        str(source), "-o", str(output), *extra], check=True)
        return output

    def client_code(self, tier, resources=False):
        """Link arguments for a probe that calls the client's own code."""
        build = self.build / tier
        res = [str(build / "CMakeFiles" / "vexa.dir" / "res" / "vexa.rc.res")] if resources else []
        return ["-std=c++17", f"-I{ROOT}", str(build / "libvexa_core.a"), *res, *CLIENT_LIBS,
                f"/usr/{TOOLCHAINS[tier]}/lib/libz.a"]

    def release_sizes_without(self, option):
        """The i686 release's size, and the size of the same release built
        with the CMake switch `option` (which swaps a part for an empty
        stand-in) in a build folder of its own."""
        build = self.out / f"win32-{option.lower().replace('_', '-')}"
        if not (build / "build.ninja").exists():
            subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-Wno-dev",
                            f"-DCMAKE_TOOLCHAIN_FILE={ROOT / 'cmake' / 'mingw-i686.cmake'}",
                            "-DCMAKE_BUILD_TYPE=Release", f"-D{option}=ON"],
                           check=True, capture_output=True)
        subprocess.run(["ninja", "-C", str(build), "vexa.exe"], check=True, capture_output=True)
        return (self.win32 / "vexa.exe").stat().st_size, (build / "vexa.exe").stat().st_size

    def close(self):
        for w in self._wines.values():
            w.close()


def median_time(fn, runs):
    return statistics.median(fn() for _ in range(runs))


def time_to_window(w, exe, title, timeout=60):
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
    w.end_programs()
    proc.wait(10)
    return elapsed


@figure
def release_size(ctx):
    exe = ctx.win32 / "vexa.exe"
    size = exe.stat().st_size
    return [f"release size: {exe.relative_to(ROOT)} = {size} bytes ({size / 1024:.0f} KiB)"]


@figure
def startup_time(ctx):
    lines = []
    for tier, machine in (("win32", "i686 release, Wine 10"), ("win64", "x86_64, Wine 8")):
        w = ctx.wine(tier)
        bare = ctx.mingw(ROOT / "bench" / "bare_window.cpp", ctx.out / f"bare_window-{tier}.exe", tier=tier)
        client = w.put_file(ctx.build / tier / "vexa.exe", r"C:\bench\vexa.exe")
        bare_in = w.put_file(bare, r"C:\bench\bare_window.exe")
        time_to_window(w, bare_in, "BareWindow")  # warm the prefix once
        runs = 3
        t_bare = median_time(lambda: time_to_window(w, bare_in, "BareWindow"), runs)
        t_client = median_time(lambda: time_to_window(w, client, "Vexaria极速登录器"), runs)
        lines.append(f"start-up to first mapped window ({machine}, median of {runs}): client {t_client:.2f} s, "
                     f"bare Win32 window {t_bare:.2f} s, ratio {t_client / t_bare:.2f}")
    return lines


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
