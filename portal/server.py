#!/usr/bin/env python3
"""The demo portal: the login page, the game page and the version check the
client talks to, on 127.0.0.1:18480 (the default of strings 109 and 191).
Standard library only; look at the pages in any browser:

    http://127.0.0.1:18480/client/gamecode/vexa/mac/00-11-22-33-44-55/
    http://127.0.0.1:18480/play_gamecode?server=1

It also answers requests sent to it as an HTTP proxy (absolute URLs), so a
test can point a Wine prefix's proxy setting at a portal on any port.

The version check answers "0" (no update) unless a newer client is offered:
with --new-client PATH --new-version X, or in portal/update.ini, read at every
check so it can be written while the client runs:

    [update]
    client = build/win64/vexa-1.0.0.1.exe
    version = 1.0.0.1

A client older than that version is then told to download it from the portal
itself (DOWNLOAD_PATH), and its signature from DOWNLOAD_PATH + ".sig": the
file's own .sig beside it (the build signs every test client with the test
key pair of its build folder, so `make run` shows an update)."""
import argparse
import configparser
import html
import re
import sys
import threading
from pathlib import Path
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

PORT = 18480
LOGIN_PREFIX = "/client/gamecode/vexa/mac/"
DOWNLOAD_PATH = "/client/download/vexa.exe"
SIGNATURE_PATH = DOWNLOAD_PATH + ".sig"
ROOT = Path(__file__).resolve().parents[1]
UPDATE_CONFIG = ROOT / "portal" / "update.ini"
SERVERS = ["晨曦之塔", "碧海港湾", "星落高原"]

STYLE = """<style>
html, body { margin: 0; padding: 0; }
body { width: 660px; height: 360px; overflow: hidden; background: #1d2433; color: #e9dfc4;
       font: 14px "Microsoft YaHei", Arial, sans-serif; }
h1 { margin: 0; padding: 18px 24px 6px; font-size: 22px; color: #cbae5b; }
p { margin: 0 24px 10px; }
.cols { display: flex; margin: 0 24px; gap: 24px; }
form, ul { background: #273047; padding: 12px 16px; margin: 0; border-radius: 6px; }
ul { list-style: none; flex: 1; }
li { margin: 8px 0; }
a { color: #7fc4ff; }
input { width: 150px; margin: 4px 0; }
</style>"""


def page(title, body, head=""):
    return (f'<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>{html.escape(title)}</title>'
            f"{head}{STYLE}</head>\n<body>\n{body}\n</body></html>\n")


def login_page(address):
    links = "\n".join(f'<li><a href="/play_gamecode?server={n}">{n}服 {html.escape(name)}</a></li>'
                      for n, name in enumerate(SERVERS, 1))
    shown = html.escape(address) if address else "(未读到)"
    return page("Vexaria 登录", f"""<h1>Vexaria</h1>
<p>本机网卡地址: {shown}</p>
<div class="cols">
<form method="post" action="/play_gamecode?server=1">
<div>账号 <input name="user"></div>
<div>密码 <input name="password" type="password"></div>
<div><button type="submit">进入游戏</button></div>
</form>
<ul>
{links}
</ul>
</div>""")


def refresh_page(target, title="选择服务器"):
    head = f'<meta http-equiv="refresh" content="0;url={html.escape(target)}">'
    return page(title, f'<p>正在进入 <a href="{html.escape(target)}">{html.escape(target)}</a></p>', head)


def frame_login_page():
    return page("Vexaria 登录", '<h1>Vexaria</h1>\n<iframe src="/client/gamecode/vexa/frame/" '
                                'width="600" height="200"></iframe>')


def game_page(server, frames=0):
    """The game page; frames: that many side panels (iframes) in it."""
    name = SERVERS[(server - 1) % len(SERVERS)] if server > 0 else "?"
    panels = "".join(f'<iframe src="/help?panel={n}" width="200" height="80"></iframe>' for n in range(1, frames + 1))
    return page(f"Vexaria {server}服", f"""<h1>Vexaria · {server}服 {html.escape(name)}</h1>
<p>游戏画面在这里。</p>
<p><a href="/play_gamecode?server={server}&amp;page=news"><img src="/static/banner.svg" alt="公告" width="120" height="30"></a></p>
<p><a href="/help">帮助</a> <a name="top">无链接的锚点</a></p>{panels}""")


BANNER = ('<svg xmlns="http://www.w3.org/2000/svg" width="120" height="30">'
          '<rect width="120" height="30" rx="4" fill="#cbae5b"/>'
          '<text x="60" y="20" font-size="14" text-anchor="middle" fill="#1d2433">NEWS</text></svg>')


class Options:
    """What the portal answers; tests change it while the portal runs."""

    def __init__(self, login="list", login_delay=0.0, version="0", game_code_path="/play_gamecode?server=2",
                 new_client=None, new_version=None, update_config=UPDATE_CONFIG):
        self.login = login              # "list", "refresh", "frame", "never" (no answer until stopped)
        self.login_delay = login_delay  # seconds before the login page is answered
        self.version = version          # the version check's answer
        self.game_code_path = game_code_path  # where "refresh" and "frame" lead
        self.new_client = new_client    # a newer client's file, offered to older clients
        self.new_version = new_version  # its file version, "1.0.0.1"
        self.update_config = update_config

    def newer_client(self):
        """(file, version) of the client offered, or None."""
        if self.new_client:
            return Path(self.new_client), self.new_version
        config = configparser.ConfigParser()
        if not config.read(self.update_config, encoding="utf-8") or not config.has_section("update"):
            return None
        offer = config["update"]
        return (ROOT / offer.get("client", ""), offer.get("version", "")) if offer.get("client") else None


def signature_of(client):
    """The signature file beside a client: vexa.exe.sig for vexa.exe."""
    return client.with_name(client.name + ".sig")


def version_tuple(text):
    try:
        return tuple(int(part) for part in text.split("."))
    except ValueError:
        return None


class Handler(BaseHTTPRequestHandler):
    server_version = "VexaPortal/1.0"

    def log_message(self, fmt, *args):
        if not self.server.quiet:
            sys.stderr.write("portal: " + fmt % args + "\n")

    def do_GET(self):
        self.answer("GET")

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        self.rfile.read(length)
        self.answer("POST")

    def answer(self, method):
        parts = urlsplit(self.path)  # also the absolute form of a proxy request
        target = parts.path + ("?" + parts.query if parts.query else "")
        self.server.record(method, target)
        options = self.server.options
        path = parts.path
        if path.startswith(LOGIN_PREFIX) and path.endswith("/"):
            self.login(path[len(LOGIN_PREFIX):-1], options)
        elif path == "/client/gamecode/vexa/frame/":
            self.send(200, refresh_page(options.game_code_path, "frame"))
        elif path == "/play_gamecode":
            query = parse_qs(parts.query)
            server, frames = query.get("server", ["0"])[0], query.get("frames", ["0"])[0]
            self.send(200, game_page(int(server) if server.isdigit() else 0, min(int(frames), 5) if frames.isdigit() else 0))
        elif path == "/getClientVersion.php":
            self.send(200, self.version_answer(parts.query, options), "text/plain; charset=utf-8")
        elif path == DOWNLOAD_PATH and options.newer_client():
            self.send(200, options.newer_client()[0].read_bytes(), "application/octet-stream")
        elif path == SIGNATURE_PATH and options.newer_client() and signature_of(options.newer_client()[0]).exists():
            self.send(200, signature_of(options.newer_client()[0]).read_bytes(), "application/octet-stream")
        elif path == "/static/banner.svg":
            self.send(200, BANNER, "image/svg+xml")
        elif path == "/help":
            self.send(200, page("帮助", "<p>选择服务器后即可进入游戏。</p>"))
        elif path == "/":
            self.send(200, page("Vexaria portal", f'<p><a href="{LOGIN_PREFIX}00-00-00-00-00-00/">登录页</a></p>'))
        else:
            self.send(404, page("404", "<p>没有这个页面。</p>"))

    def version_answer(self, query, options):
        offer = options.newer_client()
        asked = version_tuple(parse_qs(query).get("v", [""])[0])
        if not offer or not asked or not version_tuple(offer[1]) or asked >= version_tuple(offer[1]):
            return options.version
        return f"http://{self.headers.get('Host', f'127.0.0.1:{PORT}')}{DOWNLOAD_PATH}"

    def login(self, address, options):
        if not re.fullmatch(r"([0-9A-F]{2}-){5}[0-9A-F]{2}|", address):
            self.send(404, page("404", "<p>地址格式不对。</p>"))
            return
        if options.login == "never":
            self.server.stopping.wait()
            return
        if options.login_delay:
            self.server.stopping.wait(options.login_delay)
        if options.login == "refresh":
            self.send(200, refresh_page(options.game_code_path))
        elif options.login == "frame":
            self.send(200, frame_login_page())
        else:
            self.send(200, login_page(address))

    def send(self, status, text, content_type="text/html; charset=utf-8"):
        body = text if isinstance(text, bytes) else text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)


class Portal(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port=PORT, options=None, quiet=False):
        super().__init__(("127.0.0.1", port), Handler)
        self.options = options or Options()
        self.quiet = quiet
        self.stopping = threading.Event()
        self.lock = threading.Lock()
        self.requests = []  # (method, "/path?query") in arrival order

    def record(self, method, target):
        with self.lock:
            self.requests.append((method, target))

    def shutdown(self):
        self.stopping.set()
        super().shutdown()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=PORT)
    parser.add_argument("--version-answer", default="0",
                        help='answer of the version check: "0" (no update) or the URL of a newer client')
    parser.add_argument("--login", default="list", choices=["list", "refresh", "frame"],
                        help="the login page: a server list, or a page (or a frame) that goes on to the game by itself")
    parser.add_argument("--new-client", help="file of a newer client to offer to older clients")
    parser.add_argument("--new-version", help="its file version, e.g. 1.0.0.1")
    args = parser.parse_args()
    portal = Portal(args.port, Options(login=args.login, version=args.version_answer, new_client=args.new_client,
                                       new_version=args.new_version))
    print(f"demo portal on http://127.0.0.1:{args.port}/  (Ctrl+C ends it)", flush=True)
    try:
        portal.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        portal.server_close()


if __name__ == "__main__":
    main()
