"""Runs the client and its test programs under Wine, one scenario at a time:
each scenario gets its own copy of a template prefix, its own Xvfb display,
its own HOME and free loopback ports, and is ended with `wineserver -k`.
Standard library only.

Which build runs under which Wine (environment, set by the ctest entries):
VEXA_TEST_BUILD, the folder of the executables under test (build/win64 by
default, or build/win32), and VEXA_WINE, "wine8" (Debian 12's Wine on this
machine, 64-bit programs only) or "wine10" (Debian 13's Wine in its own root,
entered through bubblewrap; it also runs 32-bit programs). The i686 build
runs under Wine 10 unless told otherwise."""

import contextlib
import os
import re
import shutil
import socket
import subprocess
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BIN = Path(os.environ.get("VEXA_TEST_BUILD", ROOT / "build" / "win64")).resolve()
TIER = BIN.name
WINE_KIND = os.environ.get("VEXA_WINE", "wine10" if TIER == "win32" else "wine8")
WORK = BIN.parent / "test-prefix" / TIER
ARTIFACTS = BIN.parent / "test-artifacts" / TIER
TEMPLATE = WORK / "template"
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
WINE10_ROOT = Path(os.environ.get("VEXA_WINE10_ROOT", Path.home() / ".cache" / "vexa" / "wine10-root"))


def in_wine_root(args):
    """The command that runs args (a program of Wine's) under this run's Wine.
    Wine 10 lives in a Debian 13 root: bubblewrap makes it the program's / with
    the project's and the build's folders at the same paths, and its mounts
    vanish with the process. Every call binds the same folders, so a wineserver
    started by one call sees the files of the next."""
    args = [str(a) for a in args]
    if WINE_KIND != "wine10":
        # Debian 12's loader has no preloader and sits at 0x7d000000; with the
        # heap start randomized over 1 GiB (newer kernels) the heap can cover
        # the page Wine needs at 0x7ffe0000 ("failed to map the shared user
        # data"). Without Linux address randomization the heap follows the loader.
        return ["setarch", "-R", *args]
    binds = []
    for folder in sorted({ROOT, BIN.parent}):
        if not any(b in folder.parents for b in binds):
            binds.append(folder)
    command = ["bwrap", "--bind", str(WINE10_ROOT), "/", "--proc", "/proc", "--dev", "/dev"]
    for folder in binds:
        command += ["--bind", str(folder), str(folder)]
    return command + ["--setenv", "PATH", "/usr/lib/wine:/usr/bin:/bin"] + args


def wine(*args):
    return in_wine_root([WINE, *args])


def wineserver(*args):
    return in_wine_root([WINESERVER, *args])


def wine_system_path(path):
    """The host path of a file of the Linux system Wine runs in."""
    return (WINE10_ROOT if WINE_KIND == "wine10" else Path("/")) / Path(path).relative_to("/")


# Folders that Wine links to $HOME; the template holds plain folders instead,
# so nothing a test writes lands in the real home.
HOME_LINKS = ["Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"]
# Never look for Mono/Gecko installers, never start the crash debugger or the
# menu builder (a crash then fails the test at once).
DLL_OVERRIDES = "mscoree=;winemenubuilder.exe=d;winedbg.exe=d"
SYSTEM_PROCESSES = {"services.exe", "winedevice.exe", "plugplay.exe", "explorer.exe", "rpcss.exe",
                    "svchost.exe", "conhost.exe", "testtool.exe", "start.exe", "rundll32.exe", "tabtip.exe",
                    "wineboot.exe", "winemenubuilder.exe", "reg.exe", "regedit.exe"}
FONT_REPLACEMENTS = ["Arial", "Microsoft YaHei", "SimSun", "Tahoma"]
CJK_FONT = "WenQuanYi Micro Hei"


def base_env(prefix, home):
    env = dict(os.environ)
    env.update(WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES=DLL_OVERRIDES,
               HOME=str(home), LANG=env.get("VEXA_TEST_LANG", "zh_CN.UTF-8"), WINEARCH="win64")
    env.pop("DISPLAY", None)
    return env


def user_name(prefix):
    users = [p.name for p in (Path(prefix) / "drive_c" / "users").iterdir() if p.name != "Public"]
    return users[0]


def init_prefix(prefix, home):
    """Makes a prefix as every run here needs it: no Mono or Gecko installer,
    Chinese and Latin text in the replacement fonts, Tahoma for GDI+, and
    plain folders where Wine would link into $HOME."""
    home.mkdir(parents=True, exist_ok=True)
    env = base_env(prefix, home)
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d"
    subprocess.run(wine("wineboot", "--init"), env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for font in FONT_REPLACEMENTS:
        subprocess.run(wine("reg", "add", r"HKCU\Software\Wine\Fonts\Replacements", "/v", font,
                            "/d", CJK_FONT, "/f"), env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(wineserver("-w"), env=env)
    user_root = prefix / "drive_c" / "users" / user_name(prefix)
    for name in HOME_LINKS:
        link = user_root / name
        if link.is_symlink():
            link.unlink()
        link.mkdir(exist_ok=True)
    fonts = prefix / "drive_c" / "windows" / "Fonts"
    for ttf in wine_system_path("/usr/share/wine/fonts").glob("tahoma*.ttf"):
        shutil.copy(ttf, fonts / ttf.name)


def make_template():
    """Creates the template prefix once per test run."""
    if TEMPLATE.exists():
        subprocess.run(wineserver("-k"), env=base_env(TEMPLATE, WORK), stderr=subprocess.DEVNULL)
        shutil.rmtree(TEMPLATE)
    WORK.mkdir(parents=True, exist_ok=True)
    init_prefix(TEMPLATE, WORK / "template-home")


def copy_prefix(dest):
    """A fresh prefix from the template. The system folders are hard links:
    nothing in a scenario writes to them, and they are most of the size."""
    shared = {Path("drive_c/windows/system32"), Path("drive_c/windows/syswow64"), Path("drive_c/windows/winsxs")}
    dest.mkdir(parents=True)

    def copy_tree(src, dst, rel):
        for entry in os.scandir(src):
            s, d, r = Path(entry.path), dst / entry.name, rel / entry.name
            if r in shared:
                subprocess.run(["cp", "-al", str(s), str(d)], check=True)
            elif entry.is_dir(follow_symlinks=False):
                d.mkdir()
                shutil.copystat(s, d)
                copy_tree(s, d, r)
            else:
                shutil.copy2(s, d, follow_symlinks=False)

    copy_tree(TEMPLATE, dest, Path("."))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Xvfb:
    def __init__(self, width=1280, height=800):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            # -noreset: a server that resets when its last client leaves can
            # leave a Wine process starting at that moment without a display.
            ["Xvfb", "-displayfd", str(w), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        with os.fdopen(r) as f:
            self.display = ":" + f.readline().strip()

    def stop(self):
        self.proc.terminate()
        with contextlib.suppress(subprocess.TimeoutExpired):
            self.proc.wait(5)


class Wine:
    """One scenario's Wine prefix, display and helpers."""

    def __init__(self, name, display=True):
        self.name = re.sub(r"[^A-Za-z0-9_.-]", "_", name)
        self.dir = WORK / self.name
        if self.dir.exists():
            subprocess.run(wineserver("-k"), env=base_env(self.dir / "prefix", self.dir),
                           stderr=subprocess.DEVNULL)
            shutil.rmtree(self.dir)
        self.prefix = self.dir / "prefix"
        self.home = self.dir / "home"
        copy_prefix(self.prefix)
        # Wine's recycle bin lives in the XDG trash of $HOME, which it only
        # uses when the data folder exists (otherwise it deletes for good).
        (self.home / ".local" / "share").mkdir(parents=True)
        self.env = base_env(self.prefix, self.home)
        self.xvfb = Xvfb() if display else None
        if self.xvfb:
            self.env["DISPLAY"] = self.xvfb.display
        self.user = user_name(self.prefix)
        self.shots = 0
        self.background = []
        self.cleanups = []
        # Keep the wineserver up for the whole scenario.
        subprocess.run(wineserver("-p"), env=self.env)

    # ---- paths
    def host_path(self, win_path):
        """Linux path of a C:\\ path inside the prefix."""
        p = str(win_path)
        assert re.match(r"^[A-Za-z]:\\", p), p
        return self.prefix / "dosdevices" / (p[0].lower() + ":") / p[3:].replace("\\", "/")

    def win_path(self, host_path):
        rel = Path(host_path).resolve().relative_to((self.prefix / "drive_c").resolve())
        return "C:\\" + str(rel).replace("/", "\\")

    @property
    def user_root(self):
        return f"C:\\users\\{self.user}"

    @property
    def appdata(self):
        return self.user_root + r"\AppData\Roaming"

    @property
    def data_folder(self):
        return self.appdata + r"\velmo\vexa"

    def put_file(self, src, win_path):
        """Copies a Linux file into the prefix; returns the Linux path."""
        dst = self.host_path(win_path)
        dst.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(src, dst)
        return dst

    # ---- processes
    def run(self, args, timeout=60, check=False):
        """Runs a Windows program to its end; returns CompletedProcess (text).
        Output goes through files, not pipes: Wine's services started by the
        program inherit its handles and would hold a pipe open forever."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.run(wine(*args), env=self.env, timeout=timeout,
                                  stdout=out, stderr=err, stdin=subprocess.DEVNULL)
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(proc.args, proc.returncode,
                                                 out.read().decode("utf-8", "replace"),
                                                 err.read().decode("utf-8", "replace"))
        if check and result.returncode:
            raise AssertionError(f"{args[0]} failed ({result.returncode}): {result.stdout[-1000:]} "
                                 f"{result.stderr[-1000:]}")
        return result

    def start(self, args, stderr=None, env=None):
        """Starts a Windows program in the background (through the loader);
        its stdout is a pipe, its stderr goes to the given file or nowhere."""
        err = open(stderr, "wb") if stderr else subprocess.DEVNULL
        p = subprocess.Popen(wine(*args), env=env or self.env, stdout=subprocess.PIPE,
                             stderr=err, stdin=subprocess.DEVNULL, text=True, errors="replace")
        if stderr:
            err.close()
        self.background.append(p)
        return p

    def tool(self, *args, timeout=60):
        return self.run([BIN / "testtool.exe"] + list(args), timeout=timeout)

    def launch(self, app, command_line=None, wait=False, timeout=120):
        """Starts app exactly as the client starts itself: application name
        and a raw command line without the program's name (None: no command
        line at all). Returns (pid, exit code or None)."""
        args = ["launch", app, "--none" if command_line is None else command_line]
        if wait:
            args.append("--wait")
        out = self.tool(*args, timeout=timeout).stdout
        pid = re.search(r"pid (\d+)", out)
        code = re.search(r"exit (\d+)", out)
        if not pid:
            raise AssertionError(f"launch {app} failed: {out}")
        return int(pid.group(1)), int(code.group(1)) if code else None

    def hold(self, win_path, ms):
        """Holds a file open without sharing for ms milliseconds (background)."""
        p = self.start([BIN / "testtool.exe", "hold", win_path, str(ms)])
        line = p.stdout.readline()
        assert line.strip() == "held", line
        return p

    def wait_idle(self, timeout=60):
        """Waits until every Windows process of the prefix has ended."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not self.processes():
                return True
            time.sleep(0.2)
        return False

    def processes(self):
        """Names of the running Windows programs of the prefix (besides the
        system's own services)."""
        out = self.tool("procs").stdout
        names = [line.strip() for line in out.splitlines() if line.strip()]
        return [n for n in names if n.lower() not in SYSTEM_PROCESSES]

    # ---- registry and files
    def reg_add(self, key, name, data, kind="REG_SZ"):
        """Sets one registry value. Retried: reg.exe under Wine now and then
        ends with 1 at once, saying nothing, and succeeds when run again."""
        for attempt in range(3):
            result = self.run(["reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f"])
            if result.returncode == 0:
                return
            time.sleep(0.5)
        raise AssertionError(f"reg add {key} {name} failed: {result.stdout[-500:]} {result.stderr[-500:]}")

    def use_proxy(self, port):
        """Every WinInet request of the prefix's programs goes to 127.0.0.1:port."""
        settings = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
        self.reg_add(settings, "ProxyEnable", "1", "REG_DWORD")
        self.reg_add(settings, "ProxyServer", f"127.0.0.1:{port}")

    def reg_export(self, key):
        """A registry key as text (regedit export, UTF-16 decoded)."""
        out = self.dir / "export.reg"
        self.run(["reg", "export", key, self.win_path_for_host(out), "/y"])
        if not out.exists():
            return None
        data = out.read_bytes()
        out.unlink()
        return data.decode("utf-16")

    def win_path_for_host(self, host_path):
        return "Z:" + str(Path(host_path).resolve()).replace("/", "\\")

    def read_update_log(self):
        """The update log's lines (UTF-16LE, CR LF), or None when missing."""
        path = self.host_path(self.data_folder + r"\res\update.log")
        if not path.exists():
            return None
        data = path.read_bytes()
        if not data:
            return []  # just created: the writer creates the file, then writes its first line
        assert not data.startswith(b"\xff\xfe"), "the log has no byte-order mark"
        text = data.decode("utf-16-le")
        assert text.endswith("\r\n"), repr(text[-20:])
        return text[:-2].split("\r\n")

    # ---- windows and screenshots
    def xdotool(self, *args, timeout=20):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, capture_output=True,
                              text=True, timeout=timeout)

    def window_title(self, wid):
        """The window's title as Wine sets it (_NET_WM_NAME, UTF-8; WM_NAME
        depends on the X locale and turns Chinese into "?")."""
        out = subprocess.run(["xprop", "-id", str(wid), "-notype", "_NET_WM_NAME"],
                             env=dict(self.env, LC_ALL="C.UTF-8"),
                             capture_output=True, timeout=10).stdout.decode("utf-8", "replace")
        m = re.search(r'= "(.*)"\s*$', out, re.S)
        return m.group(1) if m else None

    def visible_windows(self):
        out = self.xdotool("search", "--onlyvisible", "--name", "").stdout
        return [int(w) for w in out.split()]

    def find_windows(self, title):
        return [w for w in self.visible_windows() if self.window_title(w) == title]

    def wait_window(self, title, timeout=30, shot=True):
        """Waits for a visible window with exactly this title; saves its
        screenshot; returns its X window id."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            wids = self.find_windows(title)
            if wids:
                time.sleep(0.5)  # let it paint
                if shot:
                    self.screenshot(title, window=wids[0])
                return wids[0]
            time.sleep(0.2)
        self.screenshot("timeout-" + title)
        raise AssertionError(f"no window titled {title!r} within {timeout}s")

    def wait_no_window(self, title, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not self.find_windows(title):
                return True
            time.sleep(0.2)
        raise AssertionError(f"window {title!r} still shown after {timeout}s")

    def geometry(self, wid):
        """(x, y, width, height) of an X window, absolute."""
        out = subprocess.run(["xwininfo", "-id", str(wid)], env=self.env, capture_output=True,
                             text=True).stdout

        def field(name):
            return int(re.search(rf"{name}:\s+(-?\d+)", out).group(1))

        return (field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                field("Height"))

    def screenshot(self, label, window=None):
        """Saves a PNG under build/test-artifacts/ and returns its path."""
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        self.shots += 1
        safe = re.sub(r"[^A-Za-z0-9_.-]", "_", label.encode("ascii", "backslashreplace").decode())
        path = ARTIFACTS / f"{self.name}-{self.shots:02d}-{safe}.png"
        target = ["-window", str(window)] if window else ["-window", "root"]
        subprocess.run(["import", "-display", self.env["DISPLAY"]] + target + [str(path)],
                       env=self.env, capture_output=True, timeout=30)
        return path

    def pixel(self, x, y):
        """RGB of one screen pixel."""
        out = subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", "-crop",
                              f"1x1+{x}+{y}", "-depth", "8", "txt:-"], capture_output=True, text=True,
                             env=self.env).stdout
        m = re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1])
        return tuple(int(v) for v in m.groups())

    # ---- end
    def end_programs(self):
        """Ends every Windows program of the prefix; the prefix stays usable."""
        subprocess.run(wineserver("-k"), env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(wineserver("-p"), env=self.env)

    def on_close(self, fn):
        """Runs fn when the scenario ends (servers the scenario started)."""
        self.cleanups.append(fn)

    def close(self, keep=False):
        subprocess.run(wineserver("-k"), env=self.env, stderr=subprocess.DEVNULL)
        for fn in reversed(self.cleanups):
            with contextlib.suppress(Exception):
                fn()
        for p in self.background:
            with contextlib.suppress(Exception):
                p.kill()
                p.wait(5)
        if self.xvfb:
            self.xvfb.stop()
        if not keep:
            shutil.rmtree(self.dir, ignore_errors=True)


def wait_until(predicate, timeout=20, interval=0.2, what="condition"):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    raise AssertionError(f"timed out after {timeout}s waiting for {what}")


# ---- debugger output through Wine's debug channel
# With WINEDEBUG=warn+seh every OutputDebugString line appears on the
# program's stderr as  0024:warn:seh:OutputDebugStringA "text\r\n" , the text
# in the ANSI code page (936 in the test prefixes) with \xNN escapes.
DEBUG_LINE = re.compile(r':warn:seh:OutputDebugStringA "(.*)"\s*$')


def start_capturing_debug_output(w, args, path):
    """Starts a Windows program whose debugger output is written to path
    (read it with read_debug_output)."""
    return w.start(args, stderr=str(path), env=dict(w.env, WINEDEBUG="warn+seh"))


def _unescape_debug_text(text, code_page):
    out = bytearray()
    simple = {"n": b"\n", "r": b"\r", "t": b"\t", "\\": b"\\", '"': b'"', "'": b"'"}
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x" and re.match(r"[0-9a-fA-F]{2}", text[i + 2:i + 4]):
                out.append(int(text[i + 2:i + 4], 16))
                i += 4
                continue
            if n in simple:
                out += simple[n]
                i += 2
                continue
            if re.match(r"[0-7]{3}", text[i + 1:i + 4]):
                out.append(int(text[i + 1:i + 4], 8))
                i += 4
                continue
        out += c.encode("latin-1", "replace")
        i += 1
    return out.decode(code_page, "replace")


def read_debug_output(path, code_page="gbk"):
    """The debugger-output texts captured in path, decoded, in order (each
    with its own line break, if it had one)."""
    if not Path(path).exists():
        return []
    texts = []
    for line in Path(path).read_text("latin-1").splitlines():
        m = DEBUG_LINE.search(line)
        if m:
            texts.append(_unescape_debug_text(m.group(1), code_page))
    return texts


# ---- pixels of the screen and of image files (the skin's scenarios)
def screen_rgb(w, x, y, cx, cy):
    """The screen rectangle's pixels as rows of (r, g, b)."""
    data = subprocess.run(["import", "-display", w.env["DISPLAY"], "-window", "root", "-crop",
                           f"{cx}x{cy}+{x}+{y}", "-depth", "8", "rgb:-"], env=w.env, capture_output=True,
                          timeout=30).stdout
    assert len(data) == cx * cy * 3, f"short read of the screen: {len(data)} bytes"
    return [[tuple(data[(row * cx + col) * 3:(row * cx + col) * 3 + 3]) for col in range(cx)] for row in range(cy)]


def image_rgba(path):
    """An image file's pixels as rows of (r, g, b, a)."""
    size = subprocess.run(["identify", "-format", "%w %h", str(path)], capture_output=True, text=True,
                          check=True).stdout.split()
    cx, cy = int(size[0]), int(size[1])
    data = subprocess.run(["convert", str(path), "-depth", "8", "rgba:-"], capture_output=True, check=True).stdout
    return [[tuple(data[(row * cx + col) * 4:(row * cx + col) * 4 + 4]) for col in range(cx)] for row in range(cy)]
