"""The login window, the game-code hand-over and the game view, end to end:
the test build of the client (vexa-scripted.exe, whose browser is the
scripted stand-in) against the demo portal on loopback, made the prefix's
proxy so that the client's fixed URLs reach it."""
import contextlib
import re
import time

import wine
from client import MAIN_TITLE
from portal import TestPortal
from scenario import scenario, table
from wine import read_debug_output, start_capturing_debug_output, wait_until

SCRIPTED = wine.BIN / "vexa-scripted.exe"
LOGIN_SIZE = (660, 399)
LOGIN_PATH = re.compile(r"^/client/gamecode/vexa/mac/(([0-9A-F]{2}-){5}[0-9A-F]{2})?/$")
GAME_PATH = "/play_gamecode?server=2"
WHITE = (255, 255, 255)  # the stand-in's page background
CLICK = "单击事件:"
BOX_TITLE = "关闭提示"


class Session:
    """One run of the scripted client against a test portal."""

    def __init__(self, w, portal):
        self.w = w
        self.portal = portal
        self.debug = w.dir / "debug.txt"
        self.proc = start_capturing_debug_output(w, [SCRIPTED], self.debug)

    def lines(self, prefix=""):
        return [t for t in read_debug_output(self.debug) if t.startswith(prefix)]

    def wait_line(self, text, timeout=30):
        return wait_until(lambda: [t for t in self.lines() if text in t], timeout=timeout, what=repr(text))

    def windows(self):
        """(X window id, geometry) of every visible window with the client's title."""
        found = []
        for wid in self.w.find_windows(MAIN_TITLE):
            with contextlib.suppress(AttributeError):  # gone meanwhile
                found.append((wid, self.w.geometry(wid)))
        return found

    def login_window(self):
        return [(wid, g) for wid, g in self.windows() if g[2:] == LOGIN_SIZE]

    def main_window(self):
        return [(wid, g) for wid, g in self.windows() if g[2:] != LOGIN_SIZE]

    def wait_login_window(self):
        wid, geometry = wait_until(lambda: (self.login_window() or [None])[0], timeout=30, what="the login window")
        self.w.screenshot("login window", window=wid)
        return wid, geometry

    def wait_main_window(self):
        wid, geometry = wait_until(lambda: (self.main_window() or [None])[0], timeout=30, what="the main window")
        time.sleep(0.5)
        self.w.screenshot("main window", window=wid)
        return wid, geometry

    def click(self, x, y, button=1, repeat=1):
        self.w.xdotool("mousemove", x, y)
        time.sleep(0.2)
        self.w.xdotool("click", "--repeat", repeat, "--delay", 80, button)
        time.sleep(0.3)

    def key(self, wid, *keys):
        """Types keys into the window; a chord ("ctrl+v") holds its modifier
        around the key as a player does (xdotool's own chord takes 12 ms,
        which an emulated client under load has seen without its Ctrl)."""
        self.w.xdotool("windowfocus", "--sync", wid)
        for k in keys:
            *modifiers, key = k.split("+")
            for modifier in modifiers:
                self.w.xdotool("keydown", modifier)
                time.sleep(0.1)
            self.w.xdotool("key", key)
            for modifier in reversed(modifiers):
                time.sleep(0.1)
                self.w.xdotool("keyup", modifier)
            time.sleep(0.2)


@contextlib.contextmanager
def scripted_client(w, **portal_options):
    portal = TestPortal(**portal_options)
    try:
        portal.use_as_proxy(w)
        yield Session(w, portal)
    finally:
        portal.stop()


def page_centre(geometry):
    x, y, width, height = geometry
    return x + width // 2, y + height // 2


@scenario
def login_window_until_the_page_loads(w):
    """The skinned 660 x 399 login window asks for the login page with the
    adapter address; its page area stays empty until the first document has
    loaded; Enter and Escape do not close it; Tab and the clipboard keys are
    handed to the page."""
    with scripted_client(w, login_delay=8) as s:
        wid, geometry = s.wait_login_window()
        target = s.portal.wait_request(lambda t: t.startswith("/client/"), what="the login request")[0]
        assert LOGIN_PATH.match(target), target
        assert s.w.pixel(*page_centre(geometry)) != WHITE, "the page shows before it has loaded"
        assert not s.lines("scripted: DocumentComplete")

        s.wait_line("scripted: DocumentComplete")
        wait_until(lambda: s.w.pixel(*page_centre(geometry)) == WHITE, timeout=10, what="the page to show")
        s.w.screenshot("login page shown", window=wid)
        # The minimise and close buttons keep to the top strip: the page's
        # first rows show below them, not the skin behind the buttons.
        x, y, width, _ = geometry
        below_buttons = wine.screen_rgb(s.w, x + width - 55, y + 21, 50, 4)
        assert all(p == WHITE for row in below_buttons for p in row), below_buttons
        assert s.portal.requests().count("/getClientVersion.php?p=velmo&g=vexa&v=1.0.0.0") == 1

        s.key(wid, "Return", "Escape", "KP_Enter")
        time.sleep(1)
        assert s.login_window() and not s.main_window(), "Enter or Escape ended the login window"
        assert not s.w.find_windows(BOX_TITLE)

        s.key(wid, "Tab", "ctrl+c", "ctrl+v", "c")
        s.wait_line("scripted: key 86 ctrl")
        assert s.lines("scripted: key") == ["scripted: key 9\r\n", "scripted: key 67 ctrl\r\n",
                                            "scripted: key 86 ctrl\r\n"], s.lines("scripted: key")
        assert s.proc.poll() is None


@table({
    "top": dict(login="refresh"),
    "frame": dict(login="frame"),
})
def login_hands_over_the_game_url(w, login):
    """A login page (or a frame inside it) that navigates to a
    "play_gamecode" URL ends the login window; the main window's game view
    then asks for exactly that URL, once, and the version check ran once."""
    with scripted_client(w, login=login, game_code_path=GAME_PATH) as s:
        s.wait_main_window()
        wait_until(lambda: GAME_PATH in s.portal.requests(), what="the game page request")
        s.wait_line("scripted: DocumentComplete http://127.0.0.1:18480" + GAME_PATH)
        time.sleep(1)
        assert not s.login_window(), "the login window is still shown"
        assert s.portal.requests().count(GAME_PATH) == 1, s.portal.requests()
        assert s.portal.requests().count("/getClientVersion.php?p=velmo&g=vexa&v=1.0.0.0") == 1, \
            s.portal.requests()
        game_url = "http://127.0.0.1:18480" + GAME_PATH
        before = s.lines("scripted: BeforeNavigate2 " + game_url)
        assert before == [f"scripted: BeforeNavigate2 {game_url} cancelled\r\n",  # the login browser
                          f"scripted: BeforeNavigate2 {game_url}\r\n"], before    # the game view
        assert s.proc.poll() is None


def _answer_box(s, button):
    box = s.w.wait_window(BOX_TITLE)
    x, y, _, _ = s.w.geometry(box)
    s.click(x + (77 if button == "ok" else 179), y + 83)  # the box's OK and Cancel buttons


@table({
    "close_button_ok": dict(how="button", answer="ok"),
    "alt_f4_ok": dict(how="alt+F4", answer="ok"),
    "close_button_cancel": dict(how="button", answer="cancel"),
    "page_never_loaded_ok": dict(how="button", answer="ok", login="never"),
})
def login_exit_question(w, how, answer, login="list"):
    """Closing asks first, also while the page has not loaded; OK ends the
    process with exit code 0 before any main window, Cancel leaves the login
    window and its page as they were."""
    with scripted_client(w, login=login) as s:
        wid, geometry = s.wait_login_window()
        if login != "never":
            s.wait_line("scripted: DocumentComplete")
        if how == "button":
            x, y, width, _ = geometry
            s.click(x + width - 30 + 12, y + 12)
        else:
            s.key(wid, how)
        _answer_box(s, answer)
        if answer == "ok":
            deadline = time.time() + 20
            while s.proc.poll() is None and time.time() < deadline:
                assert not s.main_window(), "the main window appeared"
                time.sleep(0.2)
            assert s.proc.poll() == 0, s.proc.poll()
            assert not any("play_gamecode" in t for t in s.portal.requests())
        else:
            s.w.wait_no_window(BOX_TITLE)
            time.sleep(0.5)
            assert s.proc.poll() is None
            assert s.login_window() and not s.main_window()
            assert s.w.pixel(*page_centre(geometry)) == WHITE, "the page is gone"


@scenario
def game_view_clicks_and_right_button(w):
    """In the game view the right button never goes down on the page (its
    release does), and every click on a link writes one "单击事件:" line with
    the link's href to the debugger output; clicks outside links write none."""
    with scripted_client(w, login="refresh", game_code_path=GAME_PATH) as s:
        s.wait_main_window()
        s.wait_line("scripted: DocumentComplete http://127.0.0.1:18480" + GAME_PATH)
        # Wine may map the window centred, before the start layout moves it to
        # the corner; the page completes only after that layout, so its place
        # is read now.
        _, (x, y, _, _) = s.main_window()[0]
        assert s.lines("scripted: DocumentComplete http://127.0.0.1:18480/play")[-1].endswith("click sinks 1\r\n")
        top = y + 30  # the game view lies below the 30-pixel title strip

        def line_y(n):  # the stand-in paints the URL, then one link per 18-pixel line
            return top + 4 + 18 * n + 9

        s.click(x + 400, y + 400, button=3)             # a right click on the page
        s.click(x + 400, y + 400, button=3, repeat=2)   # a right double click
        s.wait_line("scripted: WM_RBUTTONUP")
        time.sleep(0.5)
        right = [t.strip() for t in s.lines("scripted: WM_RBUTTON")]
        assert right == ["scripted: WM_RBUTTONUP"] * 3, right

        s.click(x + 220, line_y(0))  # the page's text, outside every link
        s.click(x + 30, line_y(3))   # an anchor without href
        s.click(x + 30, line_y(1))   # the image inside the first link
        s.wait_line(CLICK + "/play_gamecode")
        clicks = s.lines(CLICK)
        assert clicks == [CLICK + "\r\n", CLICK + "/play_gamecode?server=2&page=news\r\n"], clicks


@scenario
def login_window_drags_from_its_top(w):
    """A press in the top 40 pixels, on the skin or on the top of the page,
    drags the login window; lower on the page it does not. (Minimising is
    checked through the API in win.LoginWindow: without a window manager
    Wine keeps a minimised popup on screen.)"""
    with scripted_client(w) as s:
        wid, (x, y, _, _) = s.wait_login_window()
        s.wait_line("scripted: DocumentComplete")

        def drag(from_x, from_y, dx, dy):
            s.w.xdotool("mousemove", from_x, from_y)
            time.sleep(0.3)
            s.w.xdotool("mousedown", 1)
            time.sleep(0.3)
            for step in (1, 2, 3):
                s.w.xdotool("mousemove", from_x + dx * step // 3, from_y + dy * step // 3)
                time.sleep(0.2)
            s.w.xdotool("mouseup", 1)
            time.sleep(0.5)
            return s.w.geometry(wid)[:2]

        moves = [("the skin above the page", 300, 10, True),
                 ("the top of the page", 300, 30, True),
                 ("the page below the strip", 300, 200, False)]
        for what, at_x, at_y, drags in moves:
            before = s.w.geometry(wid)[:2]
            after = drag(before[0] + at_x, before[1] + at_y, 40, 30)
            expected = (before[0] + 40, before[1] + 30) if drags else before
            assert after == expected, f"press on {what}: {before} -> {after}"
        assert s.proc.poll() is None and not s.main_window()


@scenario
def game_view_frames_keep_one_click_sink(w):
    """A game page with frames completes once per frame and once as a whole;
    after each the click sink is connected exactly once, to the page."""
    framed = GAME_PATH + "&frames=2"
    with scripted_client(w, login="refresh", game_code_path=framed) as s:
        s.wait_main_window()
        s.wait_line("scripted: DocumentComplete http://127.0.0.1:18480" + framed)
        view = s.lines("scripted: DocumentComplete")[1:]  # after the login page's
        urls = [re.sub(r" click sinks \d+\r\n$", "", t) for t in view]
        # The frames complete in whatever order their pages arrive; the page last.
        assert sorted(urls[:2]) == ["scripted: DocumentComplete http://127.0.0.1:18480/help?panel=1",
                                    "scripted: DocumentComplete http://127.0.0.1:18480/help?panel=2"], view
        assert urls[2:] == ["scripted: DocumentComplete http://127.0.0.1:18480" + framed], view
        assert all(t.endswith(" click sinks 1\r\n") for t in view), view
        assert s.portal.requests().count(framed) == 1


@scenario(display=False)
def release_builds_carry_no_stand_in(w):
    """The scripted browser is linked only into the test build: the release
    executables (i686 and x86_64) create the system's control."""
    marker = "scripted: ".encode("utf-16-le")  # every trace line of the stand-in
    assert marker in SCRIPTED.read_bytes(), "the marker no longer identifies the stand-in"
    releases = [wine.BIN.parent / tier / "vexa.exe" for tier in ("win32", "win64")]
    for exe in [e for e in releases if e.exists()]:
        assert marker not in exe.read_bytes(), f"{exe} contains the scripted browser"
