#!/usr/bin/env python3
"""`make run`: starts the demo portal (portal/server.py) on 127.0.0.1:18480
and the client under Wine in a persistent prefix (build/run-prefix-<build>),
on the current display or on a private Xvfb when there is none. It runs what
players get, the i686 build, under Wine 10 (tests/harness/wine.py says how);
--build build/win64 runs the x86_64 build under Wine 8 instead.

Wine draws web pages only with its HTML engine (Wine Gecko). Without it the
release client's page area stays empty, so the test build with the scripted
browser (vexa-scripted.exe: pages drawn as text, links clickable) runs
instead; --release or --scripted choose."""
import argparse
import os
import socket
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "harness"))
wine = None  # the harness module, imported once the build is known

GECKO_FOLDERS = ["/usr/share/wine/gecko", "/opt/wine/gecko"]  # in the system Wine runs in
PORTAL = ("127.0.0.1", 18480)


def wine_has_html_engine():
    folders = [wine.wine_system_path(folder) for folder in GECKO_FOLDERS]
    return any(folder.is_dir() and any(folder.iterdir()) for folder in folders)


def listening():
    with socket.socket() as probe:
        return probe.connect_ex(PORTAL) == 0


def start_portal():
    """The portal, listening before the client asks it anything."""
    if listening():
        sys.exit(f"{PORTAL[0]}:{PORTAL[1]} is taken: is another demo portal running?")
    portal = subprocess.Popen([sys.executable, str(ROOT / "portal" / "server.py")])
    deadline = time.time() + 10
    while time.time() < deadline and portal.poll() is None:
        if listening():
            return portal
        time.sleep(0.1)
    portal.terminate()
    sys.exit(f"the demo portal did not start on {PORTAL[0]}:{PORTAL[1]}")


def let_wine_place_windows(env, yes):
    """With no window manager (the private Xvfb) Wine leaves a maximized
    window at its old size on X while Windows gives it the whole work area;
    placing the windows itself, Wine shows them as Windows does."""
    driver = r"HKCU\Software\Wine\X11 Driver"
    command = ["reg", "add", driver, "/v", "Managed", "/d", "N", "/f"] if yes else \
        ["reg", "delete", driver, "/v", "Managed", "/f"]
    subprocess.run(wine.wine(*command), env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(ROOT / "build" / "win32"))
    which = parser.add_mutually_exclusive_group()
    which.add_argument("--release", action="store_true", help="run vexa.exe (needs Wine's HTML engine to show pages)")
    which.add_argument("--scripted", action="store_true", help="run vexa-scripted.exe (pages drawn as text)")
    args = parser.parse_args()
    global wine
    os.environ["VEXA_TEST_BUILD"] = str(Path(args.build).resolve())
    import wine as harness
    wine = harness
    scripted = args.scripted or (not args.release and not wine_has_html_engine())
    exe = Path(args.build) / ("vexa-scripted.exe" if scripted else "vexa.exe")
    prefix = Path(args.build).parent / f"run-prefix-{wine.TIER}"
    home = Path(args.build).parent / f"run-home-{wine.TIER}"
    # Wine's recycle bin needs the XDG data folder.
    (home / ".local" / "share").mkdir(parents=True, exist_ok=True)
    env = wine.base_env(prefix, home)
    if not prefix.exists():
        print("making the Wine prefix (once) ...")
        wine.init_prefix(prefix, home)
    portal = start_portal()
    xvfb = None
    if os.environ.get("DISPLAY"):
        env["DISPLAY"] = os.environ["DISPLAY"]
    else:
        xvfb = wine.Xvfb()
        env["DISPLAY"] = xvfb.display
        print(f"no DISPLAY: the client runs on Xvfb {xvfb.display} "
              f"(look at it with: DISPLAY={xvfb.display} import -window root shot.png)")
    let_wine_place_windows(env, xvfb is not None)
    try:
        if scripted:
            print("Wine has no HTML engine here: running the test build, whose browser draws each page as text")
        print(f"starting {exe} (prefix {prefix}); close the client to end")
        subprocess.run(wine.wine(exe), env=env)
    except KeyboardInterrupt:
        pass
    finally:
        subprocess.run(wine.wineserver("-k"), env=env, stderr=subprocess.DEVNULL)
        portal.terminate()
        if xvfb:
            xvfb.stop()


if __name__ == "__main__":
    main()
