"""What the scenarios know of the client: its titles, files and build
variants."""
import hashlib

import wine

MAIN_TITLE = "Vexaria极速登录器"
CLIENT = wine.BIN / "vexa.exe"
CLIENT_NEXT = wine.BIN / "vexa-1.0.0.1.exe"   # the same sources with FileVersion 1.0.0.1
SEPARATOR = "=" * 21


def md5(path):
    return hashlib.md5(open(path, "rb").read()).hexdigest()


def installed_path(w):
    return w.data_folder + r"\vexa.exe"


def download_path(w):
    return w.appdata + r"\cache\v5vexatmp.exe"


def make_res_folder(w):
    w.host_path(w.data_folder + r"\res").mkdir(parents=True, exist_ok=True)


def log_messages(w):
    """The messages of the update log, without the time stamps."""
    lines = w.read_update_log() or []
    out = []
    for line in lines:
        stamp, module, message = line.split("\t", 2)
        assert stamp.endswith(" : ") and module == "UpdateModule", line
        out.append(message)
    return out
