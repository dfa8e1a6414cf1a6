"""The demo portal inside a test: started on a free loopback port, with the
answers the scenario chooses, and made the prefix's HTTP proxy so that the
client's fixed URLs (127.0.0.1:18480) reach this portal whatever its port.
Several scenarios can then run at the same time."""
import importlib.util
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
_spec = importlib.util.spec_from_file_location("vexa_portal", ROOT / "portal" / "server.py")
server = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(server)

LOGIN_PREFIX = server.LOGIN_PREFIX


class TestPortal:
    def __init__(self, **options):
        self.options = server.Options(**options)
        self.httpd = server.Portal(0, self.options, quiet=True)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def use_as_proxy(self, w):
        """Every WinInet request of the prefix's programs goes to this portal."""
        w.use_proxy(self.port)

    def requests(self, method=None):
        """The request targets ("/path?query") received so far, in order."""
        with self.httpd.lock:
            return [t for m, t in self.httpd.requests if method is None or m == method]

    def wait_request(self, predicate, timeout=30, what="a request"):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = [t for t in self.requests() if predicate(t)]
            if found:
                return found
            time.sleep(0.1)
        raise AssertionError(f"no {what} within {timeout}s; requests: {self.requests()}")

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()
