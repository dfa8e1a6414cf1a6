"""Loopback HTTP servers for the scenarios and benchmarks: each route answers
in one of the ways a real server answers or fails (a text, an error status, a
file, no Content-Length, a short body, a throttled body, a stall after the
connection was accepted). Standard library only.

Requests may name an absolute URL (as clients send them to a proxy): they are
routed by their path, so one server can stand in for every host the client
asks when the prefix's proxy points at it. As that proxy it also tunnels
CONNECT requests (HTTPS through the proxy) to the same port on 127.0.0.1,
where a server made with a certificate (tls=) answers over TLS."""

import argparse
import http.server
import select
import socket
import ssl
import threading
import time
import urllib.parse
from dataclasses import dataclass, field
from pathlib import Path
from typing import Optional


@dataclass
class Reply:
    status: int = 200
    body: bytes = b""
    file: Optional[Path] = None        # the body is this file's content, read per request
    announce: Optional[int] = None     # Content-Length sent; None: the body's size
    no_length: bool = False            # send no Content-Length; the body ends with the connection
    stall_before_head: bool = False    # accept and read the request, never answer
    stall_after: Optional[int] = None  # send the head and this many body bytes, then wait
    rate: Optional[int] = None         # bytes per second (in 8 KiB pieces)
    refuse_later: bool = False         # after this answer nothing listens: later connections are refused
    content_type: str = "application/octet-stream"
    headers: dict = field(default_factory=dict)

    def data(self):
        return self.file.read_bytes() if self.file else self.body


def text(answer, status=200):
    return Reply(status=status, body=answer.encode("latin-1") if isinstance(answer, str) else answer,
                 content_type="text/html")


class _Server(http.server.ThreadingHTTPServer):
    """Takes each connection on its own thread; with a TLS context the
    handshake happens there too, so a client that gives up on the
    certificate (or stalls in the handshake) holds up nobody else."""
    daemon_threads = True
    tls = None

    def finish_request(self, request, client_address):
        if self.tls:
            try:
                request = self.tls.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return  # refused by the client: nothing to answer
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        pass  # a client that hangs up mid-answer is no server fault


class LoopbackServer:
    """routes: {path: Reply}; "*" answers every other path (default 404).
    `requests` lists the targets received, "/path?query", in order; a
    tunnelled request as "CONNECT host:port". tls=(certificate, key) files in
    PEM: the server speaks HTTPS, its base is https://localhost:port (the
    name the certificate is made for)."""

    def __init__(self, routes, port=0, tls=None):
        self.routes = dict(routes)
        self.requests = []
        self.times = []  # time.time() of each request
        self.stop_event = threading.Event()
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_GET(self):
                outer._serve(self)

            def do_CONNECT(self):
                outer._tunnel(self)

        self.httpd = _Server(("127.0.0.1", port), Handler)
        if tls:
            self.httpd.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self.httpd.tls.load_cert_chain(*[str(f) for f in tls])
        self.scheme, self.host = ("https", "localhost") if tls else ("http", "127.0.0.1")
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)

    @property
    def base(self):
        return f"{self.scheme}://{self.host}:{self.port}"

    def url(self, path):
        return self.base + path

    def start(self):
        self.thread.start()
        return self

    def stop(self):
        self.stop_event.set()
        self.httpd.shutdown()
        self.httpd.server_close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def _serve(self, handler):
        target = handler.path
        if "://" in target:  # an absolute URL, as sent to a proxy
            parts = urllib.parse.urlsplit(target)
            target = parts.path + ("?" + parts.query if parts.query else "")
        self.requests.append(target)
        self.times.append(time.time())
        path = urllib.parse.urlsplit(target).path
        reply = self.routes.get(path) or self.routes.get("*") or Reply(status=404, body=b"not found")
        if reply.refuse_later:
            self.httpd.socket.shutdown(socket.SHUT_RDWR)  # refused from now on, before this answer is out
            threading.Thread(target=self.httpd.shutdown, daemon=True).start()
        if reply.stall_before_head:
            self.stop_event.wait()
            handler.close_connection = True
            return
        data = reply.data()
        handler.send_response(reply.status)
        handler.send_header("Content-Type", reply.content_type)
        handler.send_header("Connection", "close")
        for name, value in reply.headers.items():
            handler.send_header(name, value)
        if not reply.no_length:
            handler.send_header("Content-Length", str(len(data) if reply.announce is None else reply.announce))
        handler.end_headers()
        handler.close_connection = True
        try:
            self._send_body(handler.wfile, data, reply)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def _tunnel(self, handler):
        """CONNECT host:port: bytes both ways between the client and that
        port on loopback, until either side closes."""
        self.requests.append("CONNECT " + handler.path)
        self.times.append(time.time())
        handler.close_connection = True
        try:
            upstream = socket.create_connection(("127.0.0.1", int(handler.path.rpartition(":")[2])), timeout=10)
        except (OSError, ValueError):
            handler.send_error(502)
            return
        handler.send_response(200, "Connection established")
        handler.end_headers()
        ends = [handler.connection, upstream]
        with upstream:
            while not self.stop_event.is_set():
                ready, _, _ = select.select(ends, [], [], 0.5)
                for end in ready:
                    try:
                        data = end.recv(65536)
                        if data:
                            (upstream if end is handler.connection else handler.connection).sendall(data)
                    except OSError:
                        data = b""
                    if not data:
                        return

    def _send_body(self, out, data, reply):
        if reply.stall_after is not None:
            out.write(data[:reply.stall_after])
            out.flush()
            self.stop_event.wait()
            return
        if reply.announce is not None:
            data = data[:reply.announce]  # a short body: fewer bytes than announced
        if not reply.rate:
            out.write(data)
            return
        piece = 8192
        started = time.monotonic()
        for at in range(0, len(data), piece):
            out.write(data[at:at + piece])
            out.flush()
            due = started + (at + piece) / reply.rate
            if self.stop_event.wait(max(0.0, due - time.monotonic())):
                return


def parse_route(route):
    """PATH=KIND:VALUE with KIND one of text, file, status, stall."""
    path, _, rest = route.partition("=")
    kind, _, value = rest.partition(":")
    if kind == "text":
        return path, text(value)
    if kind == "file":
        return path, Reply(file=Path(value))
    if kind == "status":
        return path, Reply(status=int(value), body=b"")
    if kind == "stall":
        return path, Reply(stall_before_head=True)
    raise ValueError(route)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--route", action="append", default=[], help="PATH=text:ANSWER | file:PATH | status:N | stall:")
    args = parser.parse_args()
    server = LoopbackServer(dict(parse_route(r) for r in args.route), args.port).start()
    print(server.base, flush=True)
    try:
        server.thread.join()
    except KeyboardInterrupt:
        server.stop()


if __name__ == "__main__":
    main()
