#!/usr/bin/env python3
"""The release executable cannot run here (no 32-bit emulation), so it is
checked as a file: PE32 for i686, GUI subsystem, only system DLLs imported,
the manifest, the version block and the string table in place."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from pe import PE, string_table, version_strings  # noqa: E402

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll", "iphlpapi.dll",
               "oleaut32.dll", "comctl32.dll", "gdiplus.dll", "wininet.dll", "netapi32.dll", "shlwapi.dll",
               "crypt32.dll", "bcrypt.dll", "version.dll", "msvcrt.dll", "uuid.dll", "msimg32.dll", "ws2_32.dll",
               "urlmon.dll", "uxtheme.dll"}


def check(path):
    pe = PE(path)
    problems = []

    def expect(condition, what):
        if not condition:
            problems.append(what)

    expect(pe.machine == 0x14C, f"machine {pe.machine:#x}, not i386")
    expect(pe.magic == 0x10B, "not a PE32 optional header")
    expect(pe.subsystem == 2, f"subsystem {pe.subsystem}, not the GUI")
    foreign = [d for d in pe.imports() if d.lower() not in SYSTEM_DLLS]
    expect(not foreign, f"imports DLLs that are not the system's: {foreign}")

    res = pe.resources()
    manifests = [v for (t, i, _), v in res.items() if t == 24 and i == 1]
    expect(manifests and b'level="asInvoker"' in manifests[0], "no asInvoker manifest")
    expect(manifests and b"Microsoft.Windows.Common-Controls" in manifests[0], "manifest lacks common controls 6")

    versions = [v for (t, _, _), v in res.items() if t == 16]
    expect(len(versions) == 1, "not exactly one version resource")
    if versions:
        info = version_strings(versions[0])
        expect(info.get(("VS_VERSION_INFO", "StringFileInfo", "080403a8", "FileVersion")) == "1.0.0.0",
               "FileVersion 1.0.0.0 missing from block 080403a8")
        translation = info.get(("VS_VERSION_INFO", "VarFileInfo", "Translation"))
        expect(translation == bytes.fromhex("0408a803"), f"translation is {translation!r}, not 0804/03a8")

    strings = string_table(res, 2052)
    for sid, text in {102: "Vexaria", 104: "Vexaria极速登录器", 112: "vexa", 113: "\\v5vexatmp.exe",
                      115: "\\cache\\v5vexatmpu.exe", 118: "velmo", 197: "res//systemset.ini"}.items():
        expect(strings.get(sid) == text, f"string {sid} is {strings.get(sid)!r}")
    expect(strings.get(109, "").endswith("/client/gamecode/vexa/"), "string 109 lacks the game-code path")
    return problems


if __name__ == "__main__":
    problems = check(sys.argv[1])
    for p in problems:
        print("FAIL:", p)
    print("OK" if not problems else f"{len(problems)} problem(s)")
    sys.exit(1 if problems else 0)
