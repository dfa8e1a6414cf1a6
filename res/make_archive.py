#!/usr/bin/env python3
"""Builds the archive the first-run setup unpacks (resource "ZIP" 269): each
input file deflated under its own name, marked as a plain Windows file, with a
fixed date so that every build gives the same bytes.

usage: make_archive.py OUTPUT INPUT..."""
import sys
import zipfile
from pathlib import Path

DATE = (2024, 1, 1, 0, 0, 0)
FAT = 0             # host system of the entries: Windows attribute bits
ARCHIVE_BIT = 0x20  # FILE_ATTRIBUTE_ARCHIVE


def main(out, inputs):
    out = Path(out)
    out.parent.mkdir(parents=True, exist_ok=True)
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for path in map(Path, inputs):
            entry = zipfile.ZipInfo(path.name, date_time=DATE)
            entry.create_system = FAT
            entry.external_attr = ARCHIVE_BIT
            entry.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(entry, path.read_bytes())


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
