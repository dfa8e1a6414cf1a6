"""The size the update and browser hardening adds to the i686 release: the
browser-emulation value, the check of a downloaded client and the download's
progress display, measured against the same sources built with empty
stand-ins for them (VEXA_BENCH_WITHOUT_HARDENING)."""
import subprocess

from bench import ROOT, figure


@figure
def hardening_size(ctx):
    build = ctx.out / "win32-without-hardening"
    if not (build / "build.ninja").exists():
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-Wno-dev",
                        f"-DCMAKE_TOOLCHAIN_FILE={ROOT / 'cmake' / 'mingw-i686.cmake'}",
                        "-DCMAKE_BUILD_TYPE=Release", "-DVEXA_BENCH_WITHOUT_HARDENING=ON"],
                       check=True, capture_output=True)
    subprocess.run(["ninja", "-C", str(build), "vexa.exe"], check=True, capture_output=True)
    release = (ctx.win32 / "vexa.exe").stat().st_size
    without = (build / "vexa.exe").stat().st_size
    return [f"hardening size in the i686 release (browser emulation, downloaded-client check, download "
            f"progress): {release - without} bytes ({release} with, {without} with empty stand-ins)"]
