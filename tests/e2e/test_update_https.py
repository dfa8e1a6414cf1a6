"""The self-update over HTTPS, end to end: the test build of the client
against a loopback TLS server with a certificate made by the scenario for
"localhost", reached through the loopback server that is the prefix's proxy
(it tunnels CONNECT to it). The prefix's current user trusts the
certificate unless a case says otherwise. A redirect from HTTP to HTTPS is
followed, one from HTTPS to HTTP never is, and a certificate that is not
trusted fails its step like an unreachable server: logged, and the client
runs on."""
import contextlib
import re

from client import download_path, md5
from http_servers import LoopbackServer, Reply, text
from scenario import scenario, table
from test_update import (CHECK_URL, LOGIN_PAGE, NEW_CLIENT, NO_UPDATE, SCRIPTED, SCRIPTED_NEXT, client_runs,
                         full_update, install, installed_path, signature, wait_log)
from tls import make_certificate, trust
from wine import wait_until

CHECK_PATH = "/getClientVersion.php"
CHECK_TARGET = CHECK_PATH + "?p=velmo&g=vexa&v=1.0.0.0"


def redirect(url):
    return Reply(status=302, headers={"Location": url})


def failed_step(code):
    """The two lines of a step that WinInet failed with code."""
    return ["Try Download File Exception", re.compile(rf"(.*\()?Error {code}\)?")]


@contextlib.contextmanager
def https_servers(w, trusted=True):
    """(proxy, tls): the prefix's proxy, which serves the login page, and the
    TLS server behind it; each routed by the scenario."""
    certificate = make_certificate(w.dir / "tls")
    if trusted:
        trust(w, certificate[0])
    with LoopbackServer({}, tls=certificate) as tls, LoopbackServer({"*": text(LOGIN_PAGE)}) as proxy:
        w.use_proxy(proxy.port)
        yield proxy, tls


def tunnels(proxy, tls):
    return proxy.requests.count(f"CONNECT localhost:{tls.port}")


@scenario
def update_over_https(w):
    """The version check, redirected from HTTP to HTTPS, gets its answer
    over TLS: the https URL of the 1.0.0.1 client, which is downloaded over
    TLS with its signature and installed by the hand-over; the new client's
    own check (no longer redirected) finds nothing newer."""
    with https_servers(w) as (proxy, tls):
        new_client = tls.url("/client/vexa-1.0.0.1.exe")
        tls.routes.update({CHECK_PATH: text(new_client), "/client/vexa-1.0.0.1.exe": Reply(file=SCRIPTED_NEXT),
                           "/client/vexa-1.0.0.1.exe.sig": Reply(file=signature(SCRIPTED_NEXT))})
        proxy.routes[CHECK_PATH] = redirect(tls.url(CHECK_TARGET))
        install(w)
        w.launch(installed_path(w))
        wait_until(lambda: "/client/vexa-1.0.0.1.exe" in tls.requests, timeout=40, what="the download")
        proxy.routes[CHECK_PATH] = text("0")  # for the new client, once it runs
        wait_log(w, full_update(new_client), timeout=60)
        assert md5(w.host_path(installed_path(w))) == md5(SCRIPTED_NEXT)
        assert tls.requests == [CHECK_TARGET, "/client/vexa-1.0.0.1.exe", "/client/vexa-1.0.0.1.exe.sig"], tls.requests
        assert tunnels(proxy, tls) == 3, proxy.requests
        client_runs(w)


@scenario
def update_download_redirected_to_https(w):
    """A download URL on plain HTTP that redirects to HTTPS is followed: the
    whole file arrives over TLS, and so does its signature (here a signed
    client of the same version, which the check after the download then
    refuses) and the client runs on."""
    with https_servers(w) as (proxy, tls):
        tls.routes.update({"/client/vexa.exe": Reply(file=SCRIPTED),
                           "/client/vexa.exe.sig": Reply(file=signature(SCRIPTED))})
        proxy.routes.update({CHECK_PATH: text(NEW_CLIENT),
                             "/client/vexa-1.0.0.1.exe": redirect(tls.url("/client/vexa.exe")),
                             "/client/vexa-1.0.0.1.exe.sig": redirect(tls.url("/client/vexa.exe.sig"))})
        install(w)
        w.launch(installed_path(w))
        size = SCRIPTED.stat().st_size
        wait_log(w, [
            CHECK_URL + "1.0.0.0", "Http QueryInfoStatusCode:200", "Server response check version msg:" + NEW_CLIENT,
            "ExcuUpdate,URL=" + NEW_CLIENT, "Http QueryInfoStatusCode:200", f"Content length:{size}",
            f"Finish download,file size={size}", "Finish download,file md5=" + md5(SCRIPTED),
            "Check download file failure.Version 1.0.0.0 not higher than this client's 1.0.0.0",
        ])
        assert tls.requests == ["/client/vexa.exe", "/client/vexa.exe.sig"], tls.requests
        assert w.host_path(download_path(w)).read_bytes() == SCRIPTED.read_bytes()
        client_runs(w)


def _route_refused(proxy, tls, step, cause):
    """Routes for a check or a download that must fail; returns the log
    lines expected and the plain-HTTP target that must never be asked."""
    download = tls.url("/client/vexa-1.0.0.1.exe")
    plain = "/client/plain"
    if cause == 12156:  # a redirect to itself (relative), over and over
        proxy.routes[CHECK_PATH] = redirect(CHECK_TARGET)
        return [CHECK_URL + "1.0.0.0", *failed_step(cause), "Server response check version msg:", *NO_UPDATE], plain
    if step == "check":
        proxy.routes[CHECK_PATH] = redirect(tls.url(CHECK_TARGET))
        tls.routes[CHECK_PATH] = redirect("http://127.0.0.1:18480" + plain) if cause == 12040 else text(download)
        proxy.routes[plain] = text(NEW_CLIENT)
        return [CHECK_URL + "1.0.0.0", *failed_step(cause), "Server response check version msg:", *NO_UPDATE], plain
    proxy.routes.update({CHECK_PATH: text(download), plain: Reply(file=SCRIPTED_NEXT)})
    tls.routes["/client/vexa-1.0.0.1.exe"] = redirect("http://127.0.0.1:18480" + plain)
    return [CHECK_URL + "1.0.0.0", "Http QueryInfoStatusCode:200", "Server response check version msg:" + download,
            "ExcuUpdate,URL=" + download, *failed_step(cause)], plain


@table({
    "untrusted_check": dict(step="check", cause=12045),
    "untrusted_download": dict(step="download", cause=12045),
    "check_https_to_http": dict(step="check", cause=12040),
    "download_https_to_http": dict(step="download", cause=12040),
    "check_redirect_loop": dict(step="check", cause=12156),
})
def update_step_refused(w, step, cause):
    """A certificate the prefix does not trust (12045, ERROR_INTERNET_INVALID_CA),
    a redirect from HTTPS back to plain HTTP (12040,
    ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR) or a sixth redirect in a row
    (12156, ERROR_HTTP_REDIRECT_FAILED) fails the check or the download: two
    log lines, nothing asked over plain HTTP, nothing downloaded, and the
    client runs on."""
    with https_servers(w, trusted=cause != 12045) as (proxy, tls):
        lines, plain = _route_refused(proxy, tls, step, cause)
        install(w)
        w.launch(installed_path(w))
        wait_log(w, lines)
        # An untrusted server is never asked; a redirect to HTTP is never followed.
        asked = {12045: [], 12040: [CHECK_TARGET if step == "check" else "/client/vexa-1.0.0.1.exe"], 12156: []}
        assert tls.requests == asked[cause], tls.requests
        assert tunnels(proxy, tls) == (0 if cause == 12156 else 1), proxy.requests
        assert plain not in proxy.requests, proxy.requests
        if cause == 12156:
            assert proxy.requests.count(CHECK_TARGET) == 6, proxy.requests  # the first and five redirects
        assert not w.host_path(download_path(w)).exists()
        client_runs(w)
