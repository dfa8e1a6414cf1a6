#!/usr/bin/env python3
"""Runs one suite of the Windows unit tests (wintests.exe) under Wine in a
fresh prefix with its own display."""
import re
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import wine  # noqa: E402

suite = sys.argv[1]
w = wine.Wine("wintests-" + suite)
ok = False
try:
    exe = w.put_file(wine.BIN / "wintests.exe", r"C:\tests\wintests.exe")
    # A Unix symlink inside the prefix: Wine shows it as a reparse-point
    # folder, the only kind of link a test can meet here.
    links = w.host_path(r"C:\links")
    (links / "outside").mkdir(parents=True)
    (links / "outside" / "precious.txt").write_text("keep")
    (links / "clean").mkdir()
    (links / "clean" / "outside-link").symlink_to(links / "outside")
    # The suites reach the test data (fixtures, the harness's servers) through
    # environment variables.
    w.env["VEXA_TEST_DATA"] = w.win_path_for_host(wine.ROOT / "tests" / "data")
    result = w.run([exe, f"--gtest_filter={suite}.*", "--gtest_color=no"], timeout=280)
    sys.stdout.write(result.stdout)
    sys.stderr.write(result.stderr[-4000:] if result.returncode else "")
    # A filter that matches nothing (a stale test program) is a failure too.
    ran = re.search(r"\[==========\] (\d+) tests? from", result.stdout)
    ok = result.returncode == 0 and "[  PASSED  ]" in result.stdout and ran and int(ran.group(1)) > 0
finally:
    w.close(keep=not ok)
sys.exit(0 if ok else 1)
