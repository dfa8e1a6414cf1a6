"""Start-up modes: the hand-over of a downloaded client and the two
uninstall stages, on real files in a fresh prefix."""
import time

from client import (CLIENT, CLIENT_NEXT, MAIN_TITLE, SEPARATOR, download_path, installed_path, log_messages,
                    make_res_folder, md5)
from scenario import scenario, table
from wine import wait_until


@table({
    "fresh": dict(old=None, new=CLIENT, version="1.0.0.0"),
    "over_older": dict(old=CLIENT, new=CLIENT_NEXT, version="1.0.0.1"),
})
def handover(w, old, new, version):
    """The downloaded client copies itself over the installed one, logs three
    lines, starts the installed copy in the normal mode and ends with 0."""
    make_res_folder(w)
    target = installed_path(w)
    if old:
        w.put_file(old, target)
    download = download_path(w)
    w.put_file(new, download)

    _, code = w.launch(download, "-d " + target, wait=True)
    assert code == 0, code
    assert md5(w.host_path(target)) == md5(new)
    assert log_messages(w) == [
        "Finish download,current file md5=" + md5(new),
        "Update success.Current Version:" + version,
        SEPARATOR,
    ], log_messages(w)
    w.wait_window(MAIN_TITLE)  # the installed copy, in the normal mode
    assert "vexa.exe" in w.processes()


@table({
    # Held well past the client's 5 s wait even where starting it takes seconds (emulated i686).
    "longer_than_wait": dict(hold_ms=20000, succeeds=False),
    "briefly": dict(hold_ms=1500, succeeds=True),
})
def handover_target_held(w, hold_ms, succeeds):
    """A target held by another process is waited for a bounded time; when it
    stays held the failure is logged with the system error and the client
    runs from the download location."""
    make_res_folder(w)
    target = installed_path(w)
    w.put_file(CLIENT, target)
    download = download_path(w)
    w.put_file(CLIENT_NEXT, download)
    w.hold(target, hold_ms)
    started = time.time()
    w.launch(download, "-d " + target)

    if succeeds:
        wait_until(lambda: len(log_messages(w)) == 3, timeout=30, what="three log lines")
        assert log_messages(w)[1:] == ["Update success.Current Version:1.0.0.1", SEPARATOR]
        assert md5(w.host_path(target)) == md5(CLIENT_NEXT)
    else:
        wait_until(lambda: log_messages(w), timeout=30, what="the failure line")
        assert time.time() - started >= 4, "gave up before the wait was over"
        assert log_messages(w) == ["Update failure.Error Code:32", SEPARATOR], log_messages(w)
        assert md5(w.host_path(target)) == md5(CLIENT)
        w.wait_window(MAIN_TITLE)  # the downloaded copy goes on as the client
        assert "v5vexatmp.exe" in w.processes()


EMULATION_KEY = r"HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION"


def _set_emulation(w, *names):
    """The browser-emulation values the clients named so have written."""
    for name in names:
        w.reg_add(EMULATION_KEY, name, "11001", "REG_DWORD")


def _has_emulation(w, name):
    return w.run(["reg", "query", EMULATION_KEY, "/v", name]).returncode == 0


def _install_layout(w, other_game):
    """What the first-run setup leaves: shortcuts, the installed client and
    its res folder. Returns the paths stage two must remove."""
    programs = w.appdata + r"\Microsoft\Windows\Start Menu\Programs"
    desktop = w.user_root + r"\Desktop"
    target = installed_path(w)
    w.put_file(CLIENT, target)
    make_res_folder(w)
    for name in ("systemset.ini", "update.log", "uninstall.ico"):
        w.host_path(w.data_folder + "\\res\\" + name).write_bytes(b"x")
    links = [desktop + "\\Orbelle《Vexaria》.lnk",
             programs + "\\Orbelle\\Vexaria\\Vexaria.lnk",
             programs + "\\Orbelle\\Vexaria\\卸载-Vexaria.lnk"]
    for link in links:
        path = w.host_path(link)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(b"L")
    if other_game:
        w.host_path(programs + r"\Orbelle\Other Game").mkdir(parents=True)
    return programs, target, links


@table({
    "alone": dict(other_game=False),
    "beside_another_game": dict(other_game=True),
})
def uninstall_stage_two(w, other_game):
    """Stage two removes the shortcuts, the installed client, its res folder
    and the emptied start-menu folders; a company folder that still holds
    another game stays, and so do the data folder and the cache copy."""
    programs, target, links = _install_layout(w, other_game)
    copy = w.appdata + r"\cache\v5vexatmpu.exe"
    w.put_file(CLIENT, copy)
    _set_emulation(w, "vexa.exe", "other.exe")

    _, code = w.launch(copy, "-u " + target, wait=True)
    assert code == 0
    for gone in links + [target, w.data_folder + r"\res", programs + r"\Orbelle\Vexaria"]:
        assert not w.host_path(gone).exists(), gone
    # The installed client's document-mode value goes; another program's stays.
    assert not _has_emulation(w, "vexa.exe") and _has_emulation(w, "other.exe")
    assert w.host_path(programs + r"\Orbelle").exists() == other_game
    assert w.host_path(w.data_folder).is_dir()
    assert w.host_path(copy).exists()
    trash = w.home / ".local/share/Trash/files"
    assert (trash / "res").is_dir(), "the res folder went to the recycle bin"


@scenario
def uninstall_stage_two_without_backslash(w):
    """A stage-two line whose path has no backslash deletes nothing that
    depends on it, in particular nothing in the current folder."""
    programs, target, links = _install_layout(w, other_game=False)
    copy = w.appdata + r"\cache\v5vexatmpu.exe"
    w.put_file(CLIENT, copy)
    bait = w.host_path(w.appdata + r"\cache\res")
    bait.mkdir()
    _set_emulation(w, "vexa.exe")
    _, code = w.launch(copy, "-u vexa.exe", wait=True)
    assert code == 0
    assert bait.is_dir() and w.host_path(target).exists() and _has_emulation(w, "vexa.exe")
    assert not any(w.host_path(link).exists() for link in links)


UNINSTALL_KEYS = [r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OrbelleDunmark",
                  r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\OrbelleDunmark"]


def _add_uninstall_keys(w):
    """The entry in both lists, as an administrator's start after a standard
    user's might once have left it: stage one removes it from both."""
    for key in UNINSTALL_KEYS:
        w.reg_add(key, "DisplayName", "Vexaria")


def _uninstall_keys(w):
    return [key for key in UNINSTALL_KEYS if w.run(["reg", "query", key, "/reg:64"]).returncode == 0]


def _ask_uninstall(w):
    """Installs the layout and the uninstall keys, starts stage one and
    returns the question's X id and screen rectangle."""
    programs, target, links = _install_layout(w, other_game=False)
    _add_uninstall_keys(w)
    w.xdotool("mousemove", 5, 5)
    w.launch(target, target + " -u")
    wid = w.wait_window("卸载")
    geometry = w.geometry(wid)
    assert geometry[2:] == (256, 110), geometry
    return wid, geometry, target, links


@table({
    "escape": dict(answer="escape"),
    "close_cross": dict(answer="close_cross"),
})
def uninstall_stage_one_cancelled(w, answer):
    """Stage one asks in the skinned box; Escape or the close cross ends it
    with nothing changed."""
    wid, (x, y, cx, _), target, links = _ask_uninstall(w)
    if answer == "escape":
        w.xdotool("windowfocus", "--sync", wid)
        w.xdotool("key", "Escape")
    else:
        w.xdotool("mousemove", x + cx - 19 + 4, y + 10 + 4)  # the 9 x 9 cross at (width - 19, 10)
        time.sleep(0.3)
        w.xdotool("click", 1)
    wait_until(lambda: "vexa.exe" not in w.processes(), timeout=20, what="stage one to end")
    assert not w.host_path(w.appdata + r"\cache\v5vexatmpu.exe").exists()
    assert _uninstall_keys(w) == UNINSTALL_KEYS
    assert all(w.host_path(link).exists() for link in links)
    assert w.host_path(target).exists()


@scenario
def uninstall_stage_one_confirmed(w):
    """Enter confirms: the temporary copy appears in the cache folder, the
    uninstall key goes from both lists, and the copy's stage two removes the
    shortcuts and the installed client."""
    wid, _, target, links = _ask_uninstall(w)
    w.xdotool("windowfocus", "--sync", wid)
    w.xdotool("key", "Return")
    copy = w.host_path(w.appdata + r"\cache\v5vexatmpu.exe")
    wait_until(copy.exists, timeout=20, what="the temporary copy")
    wait_until(lambda: not _uninstall_keys(w), timeout=20, what="the uninstall keys to go")
    wait_until(lambda: not w.host_path(target).exists(), timeout=30, what="stage two to remove the client")
    wait_until(lambda: not any(w.host_path(link).exists() for link in links), timeout=10, what="the shortcuts to go")
    assert not w.host_path(w.data_folder + r"\res").exists()
