#!/usr/bin/env python3
"""`make run`: starts the demo portal on 127.0.0.1:18480 (when present) and
the client under Wine in a persistent prefix (build/run-prefix), on the
current display or on a private Xvfb when there is none."""
import argparse
import os
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "harness"))
import wine  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(ROOT / "build" / "win64"))
    args = parser.parse_args()
    exe = Path(args.build) / "vexa.exe"
    prefix = Path(args.build).parent / "run-prefix"
    home = Path(args.build).parent / "run-home"
    (home / ".local" / "share").mkdir(parents=True, exist_ok=True)
    env = wine.base_env(prefix, home)
    if not prefix.exists():
        print("making the Wine prefix (once) ...")
        init = dict(env, WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        subprocess.run([wine.WINE, "wineboot", "--init"], env=init, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for font in wine.FONT_REPLACEMENTS:
            subprocess.run([wine.WINE, "reg", "add", r"HKCU\Software\Wine\Fonts\Replacements", "/v", font,
                            "/d", wine.CJK_FONT, "/f"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    xvfb = None
    if os.environ.get("DISPLAY"):
        env["DISPLAY"] = os.environ["DISPLAY"]
    else:
        xvfb = wine.Xvfb()
        env["DISPLAY"] = xvfb.display
        print(f"no DISPLAY: the client runs on Xvfb {xvfb.display} "
              f"(look at it with: DISPLAY={xvfb.display} import -window root shot.png)")
    portal = None
    server = ROOT / "portal" / "server.py"
    if server.exists():
        portal = subprocess.Popen([sys.executable, str(server)])
        print("demo portal on http://127.0.0.1:18480/")
    try:
        print(f"starting {exe} (prefix {prefix}); close the client to end")
        subprocess.run([wine.WINE, str(exe)], env=env)
    except KeyboardInterrupt:
        pass
    finally:
        subprocess.run([wine.WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
        if portal:
            portal.terminate()
        if xvfb:
            xvfb.stop()


if __name__ == "__main__":
    main()
