#!/usr/bin/env python3
"""Writes the small ZIP archives the archive reader's tests open, into the
folder given as the only argument. Each is made by Python's zipfile and,
where a fault is wanted, patched afterwards at a known offset."""
import io
import random
import struct
import sys
import zipfile
import zlib
from pathlib import Path

DATE = (2021, 6, 15, 12, 34, 56)
DOS_NORMAL = 0x20  # the archive bit, as Windows tools store it


def info(name, system=0, attributes=DOS_NORMAL, date=DATE, extra=b""):
    zi = zipfile.ZipInfo(name, date_time=date)
    zi.create_system = system
    zi.external_attr = attributes
    zi.compress_type = zipfile.ZIP_DEFLATED
    zi.extra = extra
    return zi


def build(entries, comment=b""):
    """entries: (ZipInfo, data, method) triples; returns the archive bytes."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as z:
        for zi, data, method in entries:
            zi.compress_type = method
            z.writestr(zi, data)
        z.comment = comment
    return bytearray(buf.getvalue())


def big_text():
    """Larger than two output chunks: compressible lines with some noise."""
    rnd = random.Random(7)
    lines = [f"line {i} {rnd.randrange(1 << 30):08x}\r\n" for i in range(4000)]
    return "".join(lines).encode()


BIG = big_text()
D, S = zipfile.ZIP_DEFLATED, zipfile.ZIP_STORED


def local_offsets(data):
    """Offsets of the local headers and central headers, in archive order."""
    z = zipfile.ZipFile(io.BytesIO(bytes(data)))
    end = data.rfind(b"PK\x05\x06")
    cd_offset = struct.unpack_from("<I", data, end + 16)[0]
    central, pos = [], cd_offset
    for _ in z.infolist():
        central.append(pos)
        n, e, c = struct.unpack_from("<HHH", data, pos + 28)
        pos += 46 + n + e + c
    return [zi.header_offset for zi in z.infolist()], central


def patch_both(data, index, local_field, central_field, fmt, value):
    """Writes value into one field of entry index's local and central header."""
    local, central = local_offsets(data)
    struct.pack_into(fmt, data, local[index] + local_field, value)
    struct.pack_into(fmt, data, central[index] + central_field, value)
    return data


def ut_block(flags, times):
    body = bytes([flags]) + b"".join(struct.pack("<i", t) for t in times)
    return struct.pack("<HH", 0x5455, len(body)) + body


def fixtures():
    out = {}
    out["basic"] = build([
        (info("a.txt"), b"stored text\r\n", S),
        (info("sub/deeper/big.txt"), BIG, D),
        (info("empty.txt"), b"", D),
        (info("folder/", attributes=0x10), b"", S),
    ])
    # Attributes from both kinds of host system.
    data = build([
        (info("dos-plain.txt", 0, 0x20), b"1", D),
        (info("dos-readonly.txt", 0, 0x21), b"2", D),
        (info("dos-hidden-system.txt", 11, 0x26), b"3", D),
        (info("unix-writable.txt", 3, (0o100644 << 16)), b"4", D),
        (info("unix-readonly.txt", 3, (0o100444 << 16)), b"5", D),
        (info("unix-dir/", 3, (0o040755 << 16) | 0x10), b"", S),
        # A trailing separator makes a folder whatever the attributes say:
        # Java's and Go's writers store 0, Info-ZIP on Unix may keep only
        # the DOS folder bit with no Unix mode.
        (info("java-folder/", 0, 0), b"", S),
        (info("infozip-folder/", 3, 0x10), b"", S),
        (info("back\\slash\\", 0, 0), b"", S),
    ])
    for index in (6, 8):  # zipfile stores a mode where it was given 0
        struct.pack_into("<I", data, local_offsets(data)[1][index] + 38, 0)
    out["attributes"] = data
    # Extended timestamps in the local extra field: whole, and one shorter
    # than its flags announce (ignored: the DOS date stays).
    out["timestamps"] = build([
        (info("ut-all.txt", extra=ut_block(7, [1600000000, 1600000100, 1500000000])), b"t", D),
        (info("ut-write.txt", extra=ut_block(1, [1234567890])), b"t", D),
        (info("ut-short.txt", extra=struct.pack("<HHB", 0x5455, 5, 7) + struct.pack("<i", 1600000000)), b"t", D),
        (info("dos-only.txt"), b"t", D),
    ])
    # Names: the clean-up, non-ASCII text, and names that must never be
    # written where they point.
    names = ["/lead-slash.txt", "\\\\server\\share\\unc.txt", "C:\\drive.txt", "C:/x/../kept.txt",
             "a/../../climb.txt", "..\\dotdot.txt", "sub/..", "ok/./dot.txt", "x:y.txt", "file:stream",
             "中文/名字.txt", "trail/... /x.txt"]
    out["names"] = build([(info(n), n.encode(), D) for n in names])
    out["name-259"] = build([(info("n" * 255 + ".txt"), b"x", D)])
    out["name-260"] = build([(info("n" * 256 + ".txt"), b"x", D)])
    # Legacy 8-bit names, which are not UTF-8: "café" and "cafè" in CP437,
    # "Привет" in KOI8-R. Then a UTF-8 name without the UTF-8 flag, which is
    # read as UTF-8 all the same.
    raw = {b"cafX.txt": b"caf\x82.txt", b"cafY.txt": b"caf\x8a.txt", b"KKKKKK.txt": "Привет.txt".encode("koi8-r")}
    data = build([(info(n.decode()), b"legacy " + n[:4], D) for n in raw] + [(info("café.txt"), b"utf-8", D)])
    for placeholder, name in raw.items():
        data = bytearray(data.replace(placeholder, name))
    out["names-not-utf8"] = patch_both(data, 3, 6, 8, "<H", 0)
    # A comment that fills the search span exactly, and one byte more.
    small = [(info("c.txt"), b"comment test", D)]
    out["comment-65513"] = build(small, comment=b"#" * 65513)
    out["comment-65514"] = build(small, comment=b"#" * 65514)
    # Bytes in front of the archive proper (a self-extracting stub).
    out["prefixed"] = bytearray(b"MZ stub " * 16) + build([(info("p.txt"), b"after the stub", D)])
    # Flag bit 3: sizes and CRC only in the directory and a data descriptor.
    out["descriptor"] = descriptor_archive()

    two = [(info("first.txt"), b"first entry", D), (info("second.txt"), BIG, D), (info("third.txt"), b"3", S)]
    out["wrong-crc"] = patch_both(build(two), 1, 14, 16, "<I", 0x12345678)
    out["wrong-crc-stored"] = patch_both(build(two), 2, 14, 16, "<I", 0x12345678)
    out["encrypted"] = patch_both(build(two), 0, 6, 8, "<H", 0x1)
    out["encrypted-stored"] = encrypted_stored(two)
    out["encrypted-aes"] = encrypted_aes(two)
    out["size-larger"] = patch_both(build(two), 1, 22, 24, "<I", len(BIG) + 10)   # the stream ends first
    out["size-smaller"] = patch_both(build(two), 1, 22, 24, "<I", len(BIG) - 10)  # cut, then CRC fails
    out["compressed-past-end"] = patch_both(build(two), 0, 18, 20, "<I", 0x100000)
    out["stored-sizes-differ"] = patch_both(build(two), 2, 22, 24, "<I", 5)
    out["negative-size"] = patch_both(build(two), 0, 22, 24, "<I", 0xFFFFFFFF)
    # Local header disagreeing with the directory: the method.
    data = build(two)
    local, central = local_offsets(data)
    struct.pack_into("<H", data, local[0] + 8, 0)
    out["local-mismatch"] = data
    # The second directory header damaged: the first entry still reads, the
    # second and everything after it are corrupt.
    data = build(two)
    local, central = local_offsets(data)
    data[central[1]] ^= 0xFF
    out["damaged-directory"] = data
    # Deflate data damaged inside the stream.
    data = build(two)
    local, central = local_offsets(data)
    n, e = struct.unpack_from("<HH", data, local[1] + 26)
    start = local[1] + 30 + n + e
    for i in range(start + 10, start + 40):
        data[i] ^= 0x5A
    out["corrupt-deflate"] = data
    return out


def encrypted_stored(two):
    """third.txt as a traditionally encrypted stored entry: 12 header bytes
    in front of its data, so its sizes differ by 12."""
    entries = two[:2] + [(info("third.txt"), bytes(range(12)) + b"3", S)]
    data = build(entries)
    patch_both(data, 2, 14, 16, "<I", zlib.crc32(b"3"))
    patch_both(data, 2, 22, 24, "<I", 1)
    return patch_both(data, 2, 6, 8, "<H", 0x1)


def encrypted_aes(two):
    """second.txt as a WinZip AES entry: method 99, the real method in an
    0x9901 extra block, salt, verifier and authentication code around the
    data, CRC-32 0 (AE-2)."""
    aes_extra = struct.pack("<HHH2sBH", 0x9901, 7, 2, b"AE", 3, 8)
    payload = bytes(range(16)) + b"pv" + b"ciphertext" + b"0123456789"
    entries = [two[0], (info("second.txt", extra=aes_extra), payload, S), two[2]]
    data = build(entries)
    patch_both(data, 1, 14, 16, "<I", 0)
    patch_both(data, 1, 22, 24, "<I", len(b"ciphertext"))
    patch_both(data, 1, 8, 10, "<H", 99)
    return patch_both(data, 1, 6, 8, "<H", 0x1)


def descriptor_archive():
    class Unseekable(io.RawIOBase):
        def __init__(self):
            self.buf = bytearray()

        def writable(self):
            return True

        def write(self, b):
            self.buf += b
            return len(b)

    sink = Unseekable()
    with zipfile.ZipFile(sink, "w") as z:
        z.writestr(info("streamed.txt"), BIG)
    return sink.buf


def main():
    dest = Path(sys.argv[1])
    dest.mkdir(parents=True, exist_ok=True)
    for name, data in fixtures().items():
        (dest / f"{name}.zip").write_bytes(bytes(data))
    (dest / "big.txt").write_bytes(BIG)  # what the deflated entries hold


if __name__ == "__main__":
    main()
