"""The main window from outside: its display modes, the title buttons, the
global hotkeys and the tray icon, seen through xdotool, xwininfo and the
screen's pixels."""
import re
import subprocess
import time

import wine
from client import MAIN_TITLE
from portal import TestPortal
from scenario import scenario, table
from wine import wait_until

# The test build: its scripted browser lets the demo portal's login page hand
# over at once, so the main window follows the login window. Installed under
# the release's file name, so the process is called vexa.exe.
SCRIPTED = wine.BIN / "vexa-scripted.exe"
CLIENT_PATH = r"C:\Games\vexa.exe"
LOGIN_SIZE = (660, 399)

SCREEN = (0, 0, 1280, 800)         # the work area too: Xvfb has no taskbar
NORMAL = (140, 50, 1000, 700)      # 1000 x 700, centred on the work area
ERROR_HOTKEY_ALREADY_REGISTERED = 1409
VK_F5, VK_F10, VK_F11, VK_0 = 0x74, 0x79, 0x7A, 0x30

# The settings file as the first run leaves it: the template and the marker.
SETTINGS_LINES = ["[Info]", "code=", "pwd=", "rem=1", "[Setting]", "soundoff=0", "autostart=0", "autologin=0",
                  "screenshots=Ctrl+Shift+A", "screentoggle=F10", "fullscreen=F11", "start=1001"]


def write_settings(w, lines):
    path = w.host_path(w.data_folder + r"\res\systemset.ini")
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes("".join(line + "\r\n" for line in lines).encode("ascii"))


def start_client(w, settings=SETTINGS_LINES, unmanaged=True):
    """Starts the client with the given settings file, lets its login page hand
    over at once, and returns the main window's X id once it is shown.

    Without a window manager Wine leaves the size of a maximized managed
    window to the manager that never comes; unmanaged, it applies the
    window's own geometry, as Windows shows it. Unmanaged windows lose their
    popup menus at once, though (Wine cancels the menu when the X focus
    moves), so the tray menu is tried with managed windows."""
    if unmanaged:
        w.reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "N")
    if settings is not None:
        write_settings(w, settings)
    portal = TestPortal(login="refresh")
    portal.use_as_proxy(w)
    w.on_close(portal.stop)
    w.put_file(SCRIPTED, CLIENT_PATH)
    w.launch(CLIENT_PATH)
    wid = wait_until(lambda: next(iter(main_windows(w)), None), timeout=40, what="the main window")
    if unmanaged:
        wait_until(lambda: w.geometry(wid) == SCREEN, timeout=10, what="the maximized layout")
    park_mouse(w)
    return wid


def main_windows(w):
    """The client's windows that are not the login window (same title)."""
    found = []
    for wid in w.find_windows(MAIN_TITLE):
        try:
            if w.geometry(wid)[2:] != LOGIN_SIZE:
                found.append(wid)
        except AttributeError:  # gone meanwhile
            pass
    return found


def park_mouse(w):
    """Moves the pointer off the title buttons, so none shows its hover look."""
    w.xdotool("mousemove", 640, 500)
    time.sleep(0.3)


def click(w, x, y, repeat=1):
    w.xdotool("mousemove", x, y)
    time.sleep(0.2)
    w.xdotool("click", "--repeat", repeat, "--delay", 80, 1)
    time.sleep(0.5)


def click_button(w, window, from_right, width, height=26):
    """Clicks the middle of a title button placed at x = W - from_right."""
    x, y, cx, _ = window
    click(w, x + cx - from_right + width // 2, y + 3 + height // 2)


def pixels(w, x, y, cx, cy):
    """The raw RGB bytes of a screen rectangle."""
    return subprocess.run(["import", "-display", w.env["DISPLAY"], "-window", "root", "-crop",
                           f"{cx}x{cy}+{x}+{y}", "-depth", "8", "rgb:-"], env=w.env, capture_output=True,
                          timeout=30).stdout


def steady_pixels(w, x, y, cx, cy, what, still=1.0):
    """The bytes of a screen rectangle once two reads `still` seconds apart agree."""
    last = [None]

    def unchanged():
        now = pixels(w, x, y, cx, cy)
        agreed, last[0] = now == last[0], now
        return now if agreed else None

    return wait_until(unchanged, timeout=15, interval=still, what=what)


def strip_drawn(w, window):
    """Whether the title strip is on screen: its middle differs from the game
    view below it (which, in full screen, covers the strip's place too)."""
    x, y, cx, _ = window
    return pixels(w, x + cx // 2, y + 2, 40, 20) != pixels(w, x + cx // 2, y + 200, 40, 20)


def shown(w, wid):
    return wid in w.visible_windows()


def window_pid(w, wid):
    """The process of an X window; None once the window is gone."""
    out = w.xdotool("getwindowpid", wid).stdout.strip()
    return int(out) if out else None


def probe_hotkey(w, vk, modifiers=0):
    """Whether another program can take the key now: None when it got it,
    else the system error."""
    out = w.tool("hotkey", hex(vk), str(modifiers)).stdout
    m = re.search(r"error (\d+)", out)
    assert m or "registered" in out, out
    return int(m.group(1)) if m else None


def other_program(w, vk, lifetime_ms=40000):
    """Another program with a window in front that wants a key; returns the
    process, its X window and its first line ("registered" or "error N")."""
    p = w.start([wine.BIN / "testtool.exe", "hotkey", hex(vk), "0", "--window", str(lifetime_ms)])
    wid = w.wait_window("testtool hotkey", shot=False)
    w.xdotool("windowfocus", "--sync", wid)
    return p, wid, p.stdout.readline().strip()


# ------------------------------------------------------------------ display modes

@scenario
def window_modes(w):
    """Starts maximized to the work area with the restore button; restore gives
    1000 x 700 with the buttons laid out for that width (the close button at
    x 972); a double click on the strip toggles; maximize comes back."""
    wid = start_client(w)
    wait_until(lambda: strip_drawn(w, SCREEN), timeout=10, what="the strip")
    # The strip, its buttons and the page are painted one after another: the
    # button's look is taken once it has stayed the same for a second.
    restore_look = steady_pixels(w, 1280 - 57, 3, 28, 26, what="the restore button painted")
    w.screenshot("maximized", window=wid)

    click_button(w, SCREEN, 57, 28)  # the restore button holds the shared place
    wait_until(lambda: w.geometry(wid) == NORMAL, timeout=10, what="the normal layout")
    park_mouse(w)
    wait_until(lambda: strip_drawn(w, NORMAL), timeout=10, what="the strip of the normal layout")
    w.screenshot("normal", window=wid)
    x, y, _, _ = NORMAL
    assert pixels(w, x + 1000 - 57, y + 3, 28, 26) != restore_look, "the maximize button replaces restore"

    click(w, x + 972 + 14, y + 3 + 13)  # the close button of a 1000-pixel window
    box = w.wait_window("关闭提示")
    w.xdotool("windowfocus", "--sync", box)
    w.xdotool("key", "Escape")
    w.wait_no_window("关闭提示")
    assert shown(w, wid) and w.geometry(wid) == NORMAL, "cancelling the close leaves everything as it was"

    click(w, x + 500, y + 15, repeat=2)  # double click on the strip of a normal window
    wait_until(lambda: w.geometry(wid) == SCREEN, timeout=10, what="maximized by a double click")
    click(w, 500, 15, repeat=2)
    wait_until(lambda: w.geometry(wid) == NORMAL, timeout=10, what="restored by a double click")
    click_button(w, NORMAL, 57, 28)  # maximize
    wait_until(lambda: w.geometry(wid) == SCREEN, timeout=10, what="maximized by the button")
    park_mouse(w)
    # The pointer left the button it was over: its hover look goes when the
    # client has seen the leave, which an emulated i686 client sees later.
    wait_until(lambda: pixels(w, 1280 - 57, 3, 28, 26) == restore_look, timeout=15, what="the restore button's look")


@scenario
def full_screen(w):
    """The full-screen button hides the strip and the buttons; Enter and Escape
    reach the page and change nothing; Alt+F4 asks, and cancelling it returns
    to the maximized layout with the client still running."""
    wid = start_client(w)
    click_button(w, SCREEN, 161, 59, 24)
    park_mouse(w)
    wait_until(lambda: not strip_drawn(w, SCREEN), timeout=10, what="the strip to go")
    w.screenshot("fullscreen", window=wid)
    assert w.geometry(wid) == SCREEN

    w.xdotool("windowfocus", "--sync", wid)
    w.xdotool("key", "Return", "Escape")
    time.sleep(1)
    assert shown(w, wid) and not strip_drawn(w, SCREEN), "Enter and Escape leave full screen alone"

    w.xdotool("key", "alt+F4")
    box = w.wait_window("关闭提示")
    w.xdotool("windowfocus", "--sync", box)
    w.xdotool("key", "Escape")
    w.wait_no_window("关闭提示")
    wait_until(lambda: strip_drawn(w, SCREEN), timeout=10, what="the maximized layout after Alt+F4")
    assert shown(w, wid) and w.geometry(wid) == SCREEN
    w.screenshot("after-alt-f4", window=wid)


# ------------------------------------------------------------------ hotkeys

@scenario
def hotkeys_follow_the_active_application(w):
    """In front the client holds F5, F10 and F11 and F11 toggles full screen;
    in the background another program gets F5, F11 does nothing to the client,
    and F10 still hides and shows it."""
    wid = start_client(w)
    w.xdotool("windowfocus", "--sync", wid)
    for vk in (VK_F5, VK_F10, VK_F11):
        assert probe_hotkey(w, vk) == ERROR_HOTKEY_ALREADY_REGISTERED, hex(vk)
    w.xdotool("key", "--window", wid, "F11")
    wait_until(lambda: not strip_drawn(w, SCREEN), timeout=10, what="full screen by F11")
    w.xdotool("key", "--window", wid, "F11")
    wait_until(lambda: strip_drawn(w, SCREEN), timeout=10, what="back from full screen by F11")

    tool, tool_wid, first = other_program(w, VK_F5)
    assert first == "registered", f"the other program in front gets F5: {first}"
    w.xdotool("key", "--window", tool_wid, "F5")
    assert tool.stdout.readline().strip() == "hotkey 1"
    w.xdotool("key", "--window", tool_wid, "F11")
    time.sleep(1)
    assert strip_drawn(w, SCREEN), "F11 does nothing while the client is in the background"

    w.xdotool("key", "--window", tool_wid, "F10")
    wait_until(lambda: not shown(w, wid), timeout=10, what="the boss key to hide the client")
    w.screenshot("hidden")
    w.xdotool("key", "--window", tool_wid, "F10")
    wait_until(lambda: shown(w, wid), timeout=10, what="the boss key to show the client")
    assert w.geometry(wid) == SCREEN


@table({
    "lines_missing": dict(lines=["[Setting]", "start=1001"], probe=(VK_0, 0), held=False),
    "empty_values": dict(lines=["[Setting]", "screentoggle=", "fullscreen="], probe=(VK_0, 0), held=False),
    "explicit_zero": dict(lines=["[Setting]", "screentoggle=0"], probe=(VK_0, 0), held=True),
    "modifiers": dict(lines=["[setting]", "SCREENTOGGLE=Ctrl+Shift+B"], probe=(0x42, 6), held=True),
    # With no settings file the first-run setup unpacks the template: F10.
    "no_settings_file": dict(lines=None, probe=(VK_F10, 0), held=True),
})
def boss_key_setting(w, lines, probe, held):
    """The boss key is registered as the settings file names it; a missing or
    empty line takes no key away from other programs; without a file the
    setup's template applies."""
    start_client(w, settings=lines)
    vk, modifiers = probe
    result = probe_hotkey(w, vk, modifiers)
    assert (result == ERROR_HOTKEY_ALREADY_REGISTERED) == held, result
    if vk != VK_F10:
        assert probe_hotkey(w, VK_F10) is None, "F10 is only the boss key when the file says so"


@scenario
def boss_key_after_minimize_button(w):
    """After the window's own minimize button the boss key brings the window
    back in its mode and in front."""
    wid = start_client(w)
    click_button(w, SCREEN, 86, 28)
    wait_until(lambda: w.geometry(wid) != SCREEN or not shown(w, wid), timeout=10, what="minimized")
    w.screenshot("minimized")
    tool, tool_wid, _ = other_program(w, VK_F5)
    w.xdotool("key", "--window", tool_wid, "F10")
    wait_until(lambda: shown(w, wid) and w.geometry(wid) == SCREEN, timeout=10, what="the maximized window back")
    # shown first, painted when the client's turn comes
    wait_until(lambda: strip_drawn(w, SCREEN), timeout=10, what="the strip drawn again")


# ------------------------------------------------------------------ tray icon and ways out

def tray_window(w):
    """The X window of the notification area: "Wine System Tray" under Wine 8,
    an untitled 20-pixel-high window of explorer.exe under Wine 10."""
    out = w.xdotool("search", "--onlyvisible", "--name", "^Wine System Tray$").stdout.split()
    if out:
        return int(out[0])
    out = w.xdotool("search", "--onlyvisible", "--class", "^explorer.exe$").stdout.split()
    return next((int(wid) for wid in out if w.geometry(int(wid))[3] == 20), None)


def client_shown(w):
    """Whether the main window is shown, as Windows answers: without a window
    manager Wine 10 leaves a hidden managed window mapped on X."""
    lines = w.tool("windows", MAIN_TITLE).stdout.split("\n")
    return any(line.split()[0] == "visible" and tuple(map(int, line.split()[1:])) != LOGIN_SIZE
               for line in lines if line.strip())


def click_tray_icon(w, tray, button):
    """Clicks the middle of the first tray icon, raised first: with no taskbar
    it may lie under the client's window."""
    w.xdotool("windowraise", tray)
    w.xdotool("mousemove", "--window", tray, 10, 10, "click", button)


@scenario
def tray_icon_and_confirmed_close(w):
    """The tray icon shows a hidden client on a left click; its menu hides and
    shows, and its exit item asks first; the confirmed close ends the process
    and takes the icon away."""
    wid = start_client(w, unmanaged=False)
    tray = wait_until(lambda: tray_window(w), timeout=10, what="the tray icon")
    w.xdotool("windowfocus", "--sync", wid)

    w.xdotool("key", "--window", wid, "F10")
    wait_until(lambda: not client_shown(w), timeout=10, what="hidden by the boss key")
    click_tray_icon(w, tray, 1)
    wait_until(lambda: client_shown(w), timeout=10, what="shown by a left click on the icon")

    click_tray_icon(w, tray, 3)
    time.sleep(1)
    w.screenshot("tray-menu")
    w.xdotool("key", "Down", "Return")  # 隐藏/显示(F10)
    wait_until(lambda: not client_shown(w), timeout=10, what="hidden from the menu")
    click_tray_icon(w, tray, 1)
    wait_until(lambda: client_shown(w), timeout=10, what="shown again")

    click_tray_icon(w, tray, 3)
    w.xdotool("key", "Down", "Down", "Down", "Return")  # 退出
    box = w.wait_window("关闭提示")
    # The client takes its icon away itself, before it ends: Wine would drop
    # the icon of an ended process too, but only after the process is gone.
    watcher = w.start([wine.BIN / "testtool.exe", "tray-gone", "vexa.exe", "30000"])
    assert watcher.stdout.readline().strip() == "watching"
    w.xdotool("windowfocus", "--sync", box)
    w.xdotool("key", "Return")
    verdict = watcher.stdout.readline().strip()
    assert verdict == "gone, vexa.exe running", verdict
    wait_until(lambda: "vexa.exe" not in w.processes(), timeout=20, what="the client to end")


@scenario
def reselect_server_starts_a_new_instance(w):
    """Confirming the server re-selection starts a fresh instance, which shows
    its window again, and ends this one."""
    wid = start_client(w)
    old_pid = window_pid(w, wid)
    click_button(w, SCREEN, 493, 59, 24)
    box = w.wait_window("选服")
    w.xdotool("windowfocus", "--sync", box)
    w.xdotool("key", "Return")

    def new_window():
        wids = main_windows(w)
        return next((x for x in wids if window_pid(w, x) not in (None, old_pid)), None)

    new_wid = wait_until(new_window, timeout=30, what="the new instance's window")
    w.screenshot("new-instance", window=new_wid)
    wait_until(lambda: w.processes().count("vexa.exe") == 1, timeout=20, what="the old instance to end")
    assert shown(w, new_wid)
