"""First-run setup and the full uninstall, black box: the client is started
from a download folder as a player starts it, and the scenarios look at the
files, shortcuts and registry values it leaves."""
import re
import time

from client import CLIENT, CLIENT_NEXT, installed_path, md5
from scenario import scenario, table
from wine import ROOT, wait_until

TEMPLATE = (b"[Info]\r\ncode=\r\npwd=\r\nrem=1\r\n[Setting]\r\nsoundoff=0\r\nautostart=0\r\nautologin=0\r\n"
            b"screenshots=Ctrl+Shift+A\r\nscreentoggle=F10\r\nfullscreen=F11\r\n")
MARKER = b"start=1001\r\n"
UNINSTALL_LIST = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
UNINSTALL_KEY = "HKEY_LOCAL_MACHINE\\" + UNINSTALL_LIST + "\\OrbelleDunmark"
USER_UNINSTALL_KEY = "HKEY_CURRENT_USER\\" + UNINSTALL_LIST + "\\OrbelleDunmark"
PROFILE_SECTION = r"HKEY_CURRENT_USER\Software\应用程序向导生成的本地应用程序\Kestro_V5\OrbelleDunmark"


# ---- what the setup leaves

def paths(w):
    programs = w.appdata + r"\Microsoft\Windows\Start Menu\Programs"
    return dict(
        res=w.data_folder + r"\res",
        settings=w.data_folder + r"\res\systemset.ini",
        icon=w.data_folder + r"\res\uninstall.ico",
        desktop_link=w.user_root + r"\Desktop\Orbelle《Vexaria》.lnk",
        menu=programs + r"\Orbelle\Vexaria",
        company=programs + r"\Orbelle",
        game_link=programs + r"\Orbelle\Vexaria\Vexaria.lnk",
        uninstall_link=programs + r"\Orbelle\Vexaria\卸载-Vexaria.lnk",
    )


def read_link(w, link):
    """A shortcut's fields, read back through IShellLinkW by testtool."""
    out = w.tool("link", link).stdout
    fields = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    assert "target" in fields, f"cannot read {link}: {out}"
    return fields


def reg_values(w, key, section=None):
    """The string and DWORD values of key (or of section, a key below it)
    from a regedit export of key; None when key is missing."""
    text = w.reg_export(key)
    if text is None:
        return None
    section = section or key
    values, inside = {}, False
    for line in text.splitlines():
        if line.startswith("["):
            inside = line.strip() == f"[{section}]"
        elif inside and line.startswith('"'):
            m = re.match(r'"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"$', line.strip())
            if m:
                values[m.group(1)] = re.sub(r"\\(.)", r"\1", m.group(2))
            m = re.match(r'"((?:[^"\\]|\\.)*)"=dword:([0-9a-f]{8})$', line.strip())
            if m:
                values[m.group(1)] = int(m.group(2), 16)
    return values


def uninstall_entry(w, key=UNINSTALL_KEY):
    return reg_values(w, key)


def details(w, target):
    """The values Apps & features shows, as the setup leaves them after the
    self-copy: of the installed copy and the data folder now on disk."""
    folder = w.host_path(w.data_folder)
    size = sum(f.stat().st_size for f in folder.rglob("*") if f.is_file())
    return {"DisplayIcon": target, "DisplayVersion": "1.0.0.0", "InstallLocation": w.data_folder,
            "EstimatedSize": (size + 1023) // 1024, "NoModify": 1, "NoRepair": 1}


def wait_details(w, key=UNINSTALL_KEY):
    """The entry once its details are written (they follow the self-copy)."""
    return wait_until(lambda: (uninstall_entry(w, key) or {}).get("NoRepair") and uninstall_entry(w, key),
                      timeout=20, what="the uninstall entry's details")


def without_date(entry, dates):
    """entry without InstallDate, which must be one of dates (YYYYMMDD)."""
    entry = dict(entry)
    assert entry.pop("InstallDate", None) in dates, entry
    return entry


def profile_mirror(w):
    # The key's own name is not ASCII: export the whole user software key.
    return reg_values(w, r"HKEY_CURRENT_USER\Software", PROFILE_SECTION) or {}


def download(w, exe=CLIENT):
    """Puts a client into the player's download folder as vexa.exe."""
    path = w.user_root + r"\Downloads\vexa.exe"
    w.put_file(exe, path)
    return path


def wait_setup_done(w, target):
    """The profile mirror naming the installed copy is written next to last;
    the self-copy follows at once: wait until the copy has settled."""
    wait_until(lambda: profile_mirror(w).get("Path") == target, timeout=60, what="the profile mirror")
    previous = None
    for _ in range(50):
        exists = w.host_path(target).exists()
        current = md5(w.host_path(target)) if exists else None
        if current and current == previous:
            return
        previous = current
        time.sleep(0.3)
    raise AssertionError("the installed copy never settled")


def end_clients(w):
    w.run(["taskkill", "/f", "/im", "vexa.exe"])
    wait_until(lambda: "vexa.exe" not in w.processes(), timeout=30, what="the client to end")


def first_start(w, exe=CLIENT):
    target = installed_path(w)
    w.launch(download(w, exe))
    wait_setup_done(w, target)
    end_clients(w)
    return target


# ---- scenarios

def today():
    return time.strftime("%Y%m%d")


@scenario
def setup_first_start(w):
    """A first start from the download folder installs everything: folders,
    res with the template (plus the marker) and the icon, the installed copy,
    three shortcuts to it, the uninstall key (an administrator's: in the
    machine's list only, with what Apps & features shows) and its profile
    mirror."""
    p = paths(w)
    dates = {today()}
    target = first_start(w)
    dates.add(today())

    assert md5(w.host_path(target)) == md5(CLIENT)
    assert w.host_path(p["settings"]).read_bytes() == TEMPLATE + MARKER
    assert w.host_path(p["icon"]).read_bytes() == (ROOT / "res/skin/uninstall.ico").read_bytes()
    expected_links = {
        "desktop_link": ("1", ""),
        "game_link": ("1", ""),
        "uninstall_link": ("-u", p["icon"]),
    }
    for name, (arguments, icon) in expected_links.items():
        link = read_link(w, p[name])
        assert link["target"] == target, (name, link)
        assert link["arguments"] == arguments, (name, link)
        assert link["description"] == "", (name, link)
        assert link["icon"] == icon, (name, link)
        assert link["show"] == "1", (name, link)  # SW_SHOWNORMAL
    four = {"Path": target, "DisplayName": "Vexaria", "Publisher": "Orbelle", "UninstallString": target + " -u"}
    assert without_date(wait_details(w), dates) == {**four, **details(w, target)}, uninstall_entry(w)
    assert uninstall_entry(w, USER_UNINSTALL_KEY) is None, uninstall_entry(w, USER_UNINSTALL_KEY)
    assert profile_mirror(w) == four, profile_mirror(w)


@scenario
def setup_second_start_keeps_settings(w):
    """A later start from the installed copy keeps the player's settings,
    does not unpack again and puts back a deleted desktop shortcut."""
    p = paths(w)
    target = first_start(w)
    edited = (TEMPLATE + MARKER).replace(b"screentoggle=F10", b"screentoggle=Ctrl+B")
    w.host_path(p["settings"]).write_bytes(edited)
    w.host_path(p["icon"]).unlink()
    w.host_path(p["desktop_link"]).unlink()

    w.launch(target, "1")
    wait_until(lambda: w.host_path(p["desktop_link"]).exists(), timeout=60, what="the desktop shortcut")
    assert read_link(w, p["desktop_link"])["target"] == target
    assert w.host_path(p["settings"]).read_bytes() == edited
    assert not w.host_path(p["icon"]).exists(), "unpacked again despite the marker"


@scenario
def setup_removed_marker(w):
    """Without the marker the archive is unpacked again, the player's
    settings file excepted, a leftover data.zip goes and the marker returns."""
    p = paths(w)
    target = first_start(w)
    edited = TEMPLATE.replace(b"fullscreen=F11", b"fullscreen=Alt+F")
    w.host_path(p["settings"]).write_bytes(edited)
    w.host_path(p["icon"]).unlink()
    w.host_path(p["res"] + r"\data.zip").write_bytes(b"leftover")

    w.launch(target, "1")
    wait_until(lambda: w.host_path(p["icon"]).exists(), timeout=60, what="the icon unpacked again")
    wait_until(lambda: w.host_path(p["settings"]).read_bytes() == edited + MARKER, timeout=20, what="the marker")
    assert not w.host_path(p["res"] + r"\data.zip").exists()


def versioned_copy(src, dest, product_version):
    """src with another ProductVersion text (same length): the same file
    version, different bytes."""
    data = bytearray(src.read_bytes())
    key = "ProductVersion\0".encode("utf-16-le")
    at = data.rfind(key)
    value = data.index("1.0.0.".encode("utf-16-le"), at)
    data[value:value + 14] = product_version.encode("utf-16-le")
    dest.parent.mkdir(parents=True, exist_ok=True)
    dest.write_bytes(data)


@table({
    "older_replaced": dict(installed="1.0.0.0", running=CLIENT_NEXT, replaced=True),
    "equal_kept": dict(installed="1.0.0.1", running=CLIENT_NEXT, replaced=False),
    "newer_kept": dict(installed="1.0.0.1", running=CLIENT, replaced=False),
})
def setup_installed_copy(w, installed, running, replaced):
    """The running client replaces an installed copy with a lower version
    number and keeps one with an equal or higher number."""
    target = installed_path(w)
    source = CLIENT if installed == "1.0.0.0" else CLIENT_NEXT
    versioned_copy(source, w.host_path(target), "9.9.9.9")
    before = md5(w.host_path(target))

    w.launch(download(w, running))
    wait_setup_done(w, target)
    assert md5(w.host_path(target)) == (md5(running) if replaced else before)


@scenario
def setup_keeps_existing_uninstall_key(w):
    """An uninstall key that already exists keeps its four values (only the
    values Apps & features shows are brought up to date), while the profile
    mirror follows the installed copy."""
    w.reg_add(UNINSTALL_KEY, "Path", r"C:\old\vexa.exe")
    dates = {today()}
    target = first_start(w)
    dates.add(today())
    entry = without_date(wait_details(w), dates)
    assert entry == {"Path": r"C:\old\vexa.exe", **details(w, target)}, entry
    assert profile_mirror(w)["Path"] == target


@table({
    "administrator": dict(standard_user=False),
    "standard_user": dict(standard_user=True),
})
def setup_then_full_uninstall(w, standard_user):
    """Install, then uninstall through "-u" with the confirmation: what the
    setup made goes; the data folder, the cache copy, the profile mirror and
    another game's start-menu folder stay. A standard user (the machine's
    uninstall list refuses writes) gets the same entry in the user's list,
    and the uninstall removes it there."""
    p = paths(w)
    if standard_user:
        out = w.tool("deny-writes", "HKLM\\" + UNINSTALL_LIST).stdout
        assert out.strip() == "denied", out
    dates = {today()}
    target = first_start(w)
    dates.add(today())
    four = {"Path": target, "DisplayName": "Vexaria", "Publisher": "Orbelle", "UninstallString": target + " -u"}
    present, absent = (USER_UNINSTALL_KEY, UNINSTALL_KEY) if standard_user else (UNINSTALL_KEY, USER_UNINSTALL_KEY)
    assert without_date(wait_details(w, present), dates) == {**four, **details(w, target)}
    assert uninstall_entry(w, absent) is None, uninstall_entry(w, absent)
    other_game = w.host_path(p["company"] + r"\Other Game")
    other_game.mkdir()

    w.launch(target, target + " -u")
    wid = w.wait_window("卸载")
    w.xdotool("windowfocus", "--sync", wid)
    w.xdotool("key", "Return")
    wait_until(lambda: not w.host_path(target).exists(), timeout=60, what="the installed copy to go")
    wait_until(lambda: not w.host_path(p["res"]).exists(), timeout=30, what="the res folder to go")

    # Stage two goes on after the res folder (its last steps come later where
    # the client runs emulated): each item is waited for.
    for gone in ("desktop_link", "game_link", "uninstall_link", "menu"):
        wait_until(lambda: not w.host_path(p[gone]).exists(), timeout=30, what=f"the {gone} to go")
    assert uninstall_entry(w, present) is None, uninstall_entry(w, present)
    assert other_game.is_dir()
    assert w.host_path(w.data_folder).is_dir()
    assert w.host_path(w.appdata + r"\cache\v5vexatmpu.exe").exists()
    assert profile_mirror(w).get("Path") == target
