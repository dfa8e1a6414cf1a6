"""The self-update end to end: the test build of the client (its browser the
scripted stand-in, which fires the login page's DocumentComplete) installed
with file version 1.0.0.0, against loopback servers made the prefix's proxy,
so that its fixed URLs (127.0.0.1:18480) reach them. Each case reads the
update log line by line and checks that a client still runs.

The test builds trust the update key pair of their build folder and carry
its signature (<exe>.sig); here openssl signs whatever else a case serves.
vexa-scripted-nokey.exe is built without a key, as a release without
VEXA_UPDATE_KEY."""
import hashlib
import re
import struct
import subprocess
import time
from pathlib import Path

import wine
from client import SEPARATOR, download_path, log_messages, make_res_folder, md5
from http_servers import LoopbackServer, Reply, text
from portal import TestPortal
from scenario import scenario, table
from wine import wait_until

SCRIPTED = wine.BIN / "vexa-scripted.exe"
SCRIPTED_NEXT = wine.BIN / "vexa-scripted-1.0.0.1.exe"
SCRIPTED_NOKEY = wine.BIN / "vexa-scripted-nokey.exe"
TEST_KEY = wine.BIN / "update-test-key" / "private.pem"
TITLE = "Vexaria极速登录器"
BOX_TITLE = "关闭提示"
CHECK_URL = "http://127.0.0.1:18480/getClientVersion.php?p=velmo&g=vexa&v="
NEW_CLIENT = "http://127.0.0.1:18480/client/vexa-1.0.0.1.exe"
LOGIN_PAGE = "<html><head><title>login</title></head><body><p>Vexaria login</p></body></html>"
MESSAGE = re.compile(r".*Error \d+\)?")  # a failure's text with its code
NO_UPDATE = ["Finish Update.", SEPARATOR]
BODY = b"N" * 5000


def signature(path):
    """The build's signature of a test client: <exe>.sig beside it."""
    return path.with_name(path.name + ".sig")


def sign(data, key=TEST_KEY):
    """openssl's DER signature (SHA-256) of data."""
    return subprocess.run(["openssl", "dgst", "-sha256", "-sign", str(key)], input=data, capture_output=True,
                          check=True).stdout


def another_key(w):
    key = w.dir / "another-key.pem"
    subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", str(key)], check=True)
    return key


def with_file_version(data, *parts):
    """The executable with another file version in its version resource's
    fixed part (after the key, its terminator, two bytes of padding and the
    fixed part's signature)."""
    marker = "VS_VERSION_INFO\0".encode("utf-16-le") + b"\0\0" + struct.pack("<I", 0xFEEF04BD)
    at = data.index(marker) + len(marker) - 4
    a, b, c, d = parts
    return data[:at + 8] + struct.pack("<II", a << 16 | b, c << 16 | d) + data[at + 16:]


def installed_path(w):
    return w.data_folder + r"\vexa-scripted.exe"


def install(w, client=SCRIPTED):
    make_res_folder(w)
    w.put_file(client, installed_path(w))


def matches(lines, expected):
    """Each expected entry is the exact line or a pattern it must match whole."""
    return len(lines) == len(expected) and all(
        e.fullmatch(line) if isinstance(e, re.Pattern) else e == line for line, e in zip(lines, expected))


def wait_log(w, expected, timeout=40):
    try:
        wait_until(lambda: len(log_messages(w)) >= len(expected), timeout=timeout, what="the log lines")
        time.sleep(0.5)  # nothing more may follow
    finally:
        lines = log_messages(w)
    assert matches(lines, expected), f"log {lines!r}\nexpected {expected!r}"


def client_runs(w):
    assert "vexa-scripted.exe" in w.processes(), w.processes()
    w.wait_window(TITLE)


def downloading(*after_status):
    """The lines of a check that names NEW_CLIENT, its download's status line and what follows."""
    return [CHECK_URL + "1.0.0.0", "Http QueryInfoStatusCode:200", "Server response check version msg:" + NEW_CLIENT,
            "ExcuUpdate,URL=" + NEW_CLIENT, *after_status]


def full_update(url, client=SCRIPTED_NEXT):
    """The log of a whole update to `client`, downloaded from `url`: the old
    client's check and download, the downloaded client's hand-over, and the
    new client's own check that finds nothing newer."""
    size, digest = client.stat().st_size, md5(client)
    return [
        CHECK_URL + "1.0.0.0", "Http QueryInfoStatusCode:200", "Server response check version msg:" + url,
        "ExcuUpdate,URL=" + url, "Http QueryInfoStatusCode:200", f"Content length:{size}",
        f"Finish download,file size={size}", "Finish download,file md5=" + digest,
        # the downloaded client, started with "-d " and the installed path
        "Finish download,current file md5=" + digest, "Update success.Current Version:1.0.0.1", SEPARATOR,
        # the new client, started from the installed path
        CHECK_URL + "1.0.0.1", "Http QueryInfoStatusCode:200", "Server response check version msg:0", *NO_UPDATE,
    ]


def not_updating(*before_answer, answer=""):
    return [CHECK_URL + "1.0.0.0", *before_answer, "Server response check version msg:" + answer, *NO_UPDATE]


@table({
    "no_update": dict(check=text("0"), lines=not_updating("Http QueryInfoStatusCode:200", answer="0")),
    "check_404": dict(check=text("not here", status=404), lines=not_updating("Http QueryInfoStatusCode:404")),
    "check_unreachable": dict(check=None, lines=not_updating("Try Download File Exception",
                                                              re.compile(r".*\(Error 12029\)"))),
    "download_404": dict(download=Reply(status=404), lines=downloading("Http QueryInfoStatusCode:404")),
    "no_content_length": dict(download=Reply(body=BODY, no_length=True), file=b"",
                              lines=downloading("Http QueryInfoStatusCode:200", "Content length:0",
                                                "ERROR!Before download dwFileSize == dwToatlSize,exit")),
    "short_body": dict(download=Reply(body=BODY, announce=8000), file=BODY,
                       lines=downloading("Http QueryInfoStatusCode:200", "Content length:8000")),
    "download_held": dict(download=Reply(body=BODY), hold=True,
                          lines=downloading("Http QueryInfoStatusCode:200", "Content length:5000")),
    # Without an update key, the checks of the executable alone.
    "junk_of_announced_length": dict(download=Reply(body=BODY), file=BODY, client=SCRIPTED_NOKEY,
                                     lines=downloading("Http QueryInfoStatusCode:200", "Content length:5000",
                                                       "Finish download,file size=5000",
                                                       "Finish download,file md5=" + hashlib.md5(BODY).hexdigest(),
                                                       "Check download file failure.Not a whole executable")),
    "same_version": dict(download=Reply(file=SCRIPTED), file=SCRIPTED, client=SCRIPTED_NOKEY, lines=lambda: downloading(
        "Http QueryInfoStatusCode:200", f"Content length:{SCRIPTED.stat().st_size}",
        f"Finish download,file size={SCRIPTED.stat().st_size}", "Finish download,file md5=" + md5(SCRIPTED),
        "Check download file failure.Version 1.0.0.0 not higher than this client's 1.0.0.0")),
})
def update_outcome(w, lines, check=text(NEW_CLIENT), download=None, file=None, hold=False, client=SCRIPTED):
    """One check and, when the answer names a client, its download: the log
    holds exactly the lines of the outcome, the download file what arrived,
    and the client runs on."""
    lines = lines() if callable(lines) else lines  # built from a client only when it runs
    file = file.read_bytes() if isinstance(file, Path) else file
    login = Reply(body=LOGIN_PAGE.encode(), content_type="text/html", refuse_later=check is None)
    routes = {"*": login, "/getClientVersion.php": check, "/client/vexa-1.0.0.1.exe": download}
    with LoopbackServer({k: v for k, v in routes.items() if v}) as server:
        w.use_proxy(server.port)
        install(w, client)
        if hold:
            w.host_path(download_path(w)).parent.mkdir(parents=True, exist_ok=True)
        holder = w.hold(download_path(w), 60000) if hold else None
        w.launch(installed_path(w))
        wait_log(w, lines)
        client_runs(w)
        if holder:
            holder.kill()
        if file is not None:
            assert w.host_path(download_path(w)).read_bytes() == file


@scenario
def update_leftover_deleted(w):
    """A download left by an earlier run is deleted when the check starts,
    though the answer is no update."""
    with LoopbackServer({"*": text(LOGIN_PAGE), "/getClientVersion.php": text("0")}) as server:
        w.use_proxy(server.port)
        install(w)
        w.put_file(SCRIPTED_NEXT, download_path(w))
        w.launch(installed_path(w))
        wait_log(w, not_updating("Http QueryInfoStatusCode:200", answer="0"))
        assert not w.host_path(download_path(w)).exists()
        client_runs(w)


@scenario
def update_check_stalled(w):
    """A version server that accepts and never answers holds the window for
    the check's bound only, painted meanwhile; then the window answers again
    (its close button opens the exit question) and the client runs on."""
    stall = Reply(stall_before_head=True)
    with LoopbackServer({"*": text(LOGIN_PAGE), "/getClientVersion.php": stall}) as server:
        w.use_proxy(server.port)
        install(w)
        w.launch(installed_path(w))
        wait_until(lambda: any(t.startswith("/getClientVersion.php") for t in server.requests), timeout=40,
                   what="the version check")
        asked = server.times[-1]
        # While the check holds the window, it shows the skin with its buttons.
        held = wait_until(lambda: w.find_windows(TITLE), timeout=10, what="the login window")[0]
        time.sleep(1)
        x, y, _, _ = w.geometry(held)
        assert time.time() - asked < 4.5, "the check ended before the window was looked at"
        assert sum(w.pixel(x + 642, y + 12)) > 400, "the buttons are not drawn while the check runs"
        wait_log(w, not_updating("Try Download File Exception", MESSAGE), timeout=30)
        # Bounded: unbounded, it would wait for the server to the scenario's end.
        assert time.time() - asked < 15, time.time() - asked
        wid = w.wait_window(TITLE)
        x, y, cx, _ = w.geometry(wid)
        w.xdotool("mousemove", x + cx - 18, y + 10)
        w.xdotool("click", 1)
        box = w.wait_window(BOX_TITLE, timeout=15)
        w.xdotool("windowfocus", "--sync", box)
        w.xdotool("key", "Escape")
        w.wait_no_window(BOX_TITLE)
        client_runs(w)


@table({"over_cap": dict(size=10485761, kept=False), "at_cap": dict(size=10485760, kept=True)})
def update_log_cap(w, size, kept):
    """A log larger than 10 MiB is deleted before the check's first line; one
    of exactly 10 MiB is appended to."""
    with LoopbackServer({"*": text(LOGIN_PAGE), "/getClientVersion.php": text("0")}) as server:
        w.use_proxy(server.port)
        install(w)
        log = w.host_path(w.data_folder + r"\res\update.log")
        line = "2020- 1- 1  0: 0: 0 : \tUpdateModule\told\r\n".encode("utf-16-le")
        old = (line * (size // len(line) + 1))[:size]
        log.write_bytes(old)
        w.launch(installed_path(w))
        expected = not_updating("Http QueryInfoStatusCode:200", answer="0")
        wait_until(lambda: log.stat().st_size != size and log.read_bytes().endswith(
            (SEPARATOR + "\r\n").encode("utf-16-le")), timeout=40, what="the check's lines")
        data = log.read_bytes()
        assert data.startswith(old) == kept
        new = data[size:] if kept else data
        lines = [line.split("\t", 2)[2] for line in new.decode("utf-16-le")[:-2].split("\r\n")]
        assert matches(lines, expected), lines
        client_runs(w)


@table({"signed": dict(client=SCRIPTED), "without_key": dict(client=SCRIPTED_NOKEY)})
def update_full(w, client):
    """The portal names the 1.0.0.1 build; it is downloaded, logged with its
    size and MD5, started with "-d " and the installed path; the old client
    exits with 0; the hand-over puts the new build in place and starts it,
    and the new client's own check finds nothing newer. A client with the
    update key asks for the download's signature and finds the publisher's
    (nothing is logged for it); one without a key asks for none."""
    portal = TestPortal(new_client=str(SCRIPTED_NEXT), new_version="1.0.0.1")
    try:
        portal.use_as_proxy(w)
        install(w, client)
        _, code = w.launch(installed_path(w), wait=True, timeout=120)  # returns when the old client ends
        assert code == 0, code
        wait_log(w, full_update("http://127.0.0.1:18480/client/download/vexa.exe"), timeout=60)
        assert md5(w.host_path(installed_path(w))) == md5(SCRIPTED_NEXT)
        assert [t for t in portal.requests() if t.startswith("/getClientVersion.php")] == [
            "/getClientVersion.php?p=velmo&g=vexa&v=1.0.0.0", "/getClientVersion.php?p=velmo&g=vexa&v=1.0.0.1"]
        asked = [t for t in portal.requests() if t.startswith("/client/download/")]
        signed = [] if client == SCRIPTED_NOKEY else ["/client/download/vexa.exe.sig"]
        assert asked == ["/client/download/vexa.exe", *signed], asked
        client_runs(w)
    finally:
        portal.stop()


def served_changed(w):
    data = bytearray(SCRIPTED_NEXT.read_bytes())
    data[0x40] ^= 1  # the DOS stub: still the same executable to Windows
    return bytes(data), signature(SCRIPTED_NEXT).read_bytes()


def served_older(w):
    older = with_file_version(SCRIPTED.read_bytes(), 0, 9, 0, 0)
    return older, sign(older)


@table({
    "another_key": dict(serve=lambda w: (SCRIPTED_NEXT.read_bytes(), sign(SCRIPTED_NEXT.read_bytes(), another_key(w))),
                        failure="Signature not valid.Status 0xC000A000"),
    "changed_after_signing": dict(serve=served_changed, failure="Signature not valid.Status 0xC000A000"),
    "no_signature_file": dict(serve=lambda w: (SCRIPTED_NEXT.read_bytes(), None),
                              failure="No signature file.Http QueryInfoStatusCode:404"),
    "cut_signature": dict(serve=lambda w: (SCRIPTED_NEXT.read_bytes(), signature(SCRIPTED_NEXT).read_bytes()[:35]),
                          failure="Signature unreadable.Size:35"),
    "garbage_signature": dict(serve=lambda w: (SCRIPTED_NEXT.read_bytes(), b"<html>not found</html>"),
                              failure="Signature unreadable.Size:22"),
    "signed_older_client": dict(serve=served_older, failure="Version 0.9.0.0 not higher than this client's 1.0.0.0"),
})
def update_signature_refused(w, serve, failure):
    """A client with the update key downloads what the version answer names,
    asks for "<URL>.sig" (before the query), and refuses anything but the
    publisher's signature of exactly these bytes with one log line; the
    download stays as it arrived, the installed client is unchanged and
    runs on. A good signature does not bypass the version check."""
    body, sig = serve(w)
    url = NEW_CLIENT + "?build=7"
    routes = {"*": text(LOGIN_PAGE), "/getClientVersion.php": text(url), "/client/vexa-1.0.0.1.exe": Reply(body=body),
              "/client/vexa-1.0.0.1.exe.sig": Reply(status=404, body=b"not here") if sig is None else Reply(body=sig)}
    with LoopbackServer(routes) as server:
        w.use_proxy(server.port)
        install(w)
        w.launch(installed_path(w))
        digest = hashlib.md5(body).hexdigest()
        wait_log(w, [
            CHECK_URL + "1.0.0.0", "Http QueryInfoStatusCode:200", "Server response check version msg:" + url,
            "ExcuUpdate,URL=" + url, "Http QueryInfoStatusCode:200", f"Content length:{len(body)}",
            f"Finish download,file size={len(body)}", "Finish download,file md5=" + digest,
            "Check download file failure." + failure])
        client_runs(w)
        assert [t for t in server.requests if t.startswith("/client/vexa")] == [
            "/client/vexa-1.0.0.1.exe?build=7", "/client/vexa-1.0.0.1.exe.sig?build=7"], server.requests
        assert w.host_path(download_path(w)).read_bytes() == body
        assert md5(w.host_path(installed_path(w))) == md5(SCRIPTED)


BAR = (180, 302, 300)  # the progress bar's row in the login window: x, y, width
BAR_GOLD = (0xE8, 0xC1, 0x70)


def bar_fill(w, wid, label):
    """Screenshot of the login window; how many pixels of the bar's row are gold."""
    shot = w.screenshot(label, window=wid)
    x, y, width = BAR
    out = subprocess.run(["convert", str(shot), "-crop", f"{width}x1+{x}+{y}", "-depth", "8", "txt:-"],
                         capture_output=True, text=True, check=True).stdout
    pixels = [tuple(int(v) for v in m) for m in re.findall(r"^\d+,\d+: \((\d+),(\d+),(\d+)", out, re.M)]
    assert len(pixels) == width, out[:200]
    return sum(all(abs(a - b) <= 8 for a, b in zip(p, BAR_GOLD)) for p in pixels)


@scenario
def update_progress_shown(w):
    """A slow download shows its progress in the login window while it runs:
    two screenshots seconds apart show the bar further along, with the
    window's buttons drawn; then the update completes as usual. The control's
    document mode was set for the client."""
    size = SCRIPTED_NEXT.stat().st_size
    routes = {"*": text(LOGIN_PAGE), "/getClientVersion.php": text(NEW_CLIENT),
              "/client/vexa-1.0.0.1.exe": Reply(file=SCRIPTED_NEXT, rate=size // 10),
              "/client/vexa-1.0.0.1.exe.sig": Reply(file=signature(SCRIPTED_NEXT))}
    with LoopbackServer(routes) as server:
        w.use_proxy(server.port)
        install(w)
        w.launch(installed_path(w))
        wait_until(lambda: "/client/vexa-1.0.0.1.exe" in server.requests, timeout=40, what="the download")
        started = server.times[server.requests.index("/client/vexa-1.0.0.1.exe")]
        server.routes["/getClientVersion.php"] = text("0")  # for the new client, once it runs
        wid = w.wait_window(TITLE, shot=False)
        fills = []
        for at in (3, 7):
            time.sleep(max(0.0, started + at - time.time()))
            fills.append(bar_fill(w, wid, f"progress-{at}s"))
        assert 0 < fills[0] < fills[1] < BAR[2], fills
        # The window's own paint is not held back by the download: the close
        # cross (parchment over the dark strip) is drawn.
        x, y, _, _ = w.geometry(wid)
        assert sum(w.pixel(x + 642, y + 12)) > 400, "the login window's buttons were never painted"
        wait_log(w, [
            CHECK_URL + "1.0.0.0", "Http QueryInfoStatusCode:200", "Server response check version msg:" + NEW_CLIENT,
            "ExcuUpdate,URL=" + NEW_CLIENT, "Http QueryInfoStatusCode:200", f"Content length:{size}",
            f"Finish download,file size={size}", "Finish download,file md5=" + md5(SCRIPTED_NEXT),
            "Finish download,current file md5=" + md5(SCRIPTED_NEXT), "Update success.Current Version:1.0.0.1",
            SEPARATOR,
            CHECK_URL + "1.0.0.1", "Http QueryInfoStatusCode:200", "Server response check version msg:0", *NO_UPDATE,
        ], timeout=60)
        assert md5(w.host_path(installed_path(w))) == md5(SCRIPTED_NEXT)
        client_runs(w)
        export = w.reg_export(r"HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION")
        assert export and '"vexa-scripted.exe"=dword:00002af9' in export, export
