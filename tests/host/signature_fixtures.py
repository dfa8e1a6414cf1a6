#!/usr/bin/env python3
"""Signatures as openssl writes them, for the native tests and the fuzz seeds
of the DER reading (update/SignatureDer): a fresh key pair, then
`openssl dgst -sha256 -sign` of messages until r and s have each come with
and without a sign byte (33 and 32 bytes; a shorter number, once in 256, is
kept when it comes). Beside each N.sig, N.rs holds r || s in hex as openssl's
own `asn1parse` reads them.

usage: signature_fixtures.py OPENSSL OUTDIR"""
import re
import subprocess
import sys
import tempfile
from pathlib import Path

MAX_TRIES = 200
WANTED = {32, 33}


def run(openssl, *args, data=None):
    return subprocess.run([openssl, *args], input=data, capture_output=True, check=True).stdout



def main(openssl, out):
    out = Path(out)
    out.mkdir(parents=True, exist_ok=True)
    for old in [*out.glob("*.sig"), *out.glob("*.rs")]:
        old.unlink()
    with tempfile.TemporaryDirectory() as tmp:
        key = Path(tmp) / "key.pem"
        run(openssl, "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", str(key))
        seen_r, seen_s, kept = set(), set(), 0
        for n in range(MAX_TRIES):
            der = run(openssl, "dgst", "-sha256", "-sign", str(key), data=f"message {n}".encode())
            numbers = [(int(length), value) for length, value in re.findall(
                r"l=\s*(\d+) prim: INTEGER\s*:([0-9A-F]+)", run(openssl, "asn1parse", "-inform", "DER", data=der).decode())]
            assert len(numbers) == 2, numbers
            forms = [(min(length, 33) if length >= 32 else 31) for length, _ in numbers]
            if forms[0] in seen_r and forms[1] in seen_s and kept >= 8:
                continue  # nothing new
            seen_r.add(forms[0])
            seen_s.add(forms[1])
            (out / f"{kept:02d}.sig").write_bytes(der)
            (out / f"{kept:02d}.rs").write_text("".join(value.rjust(64, "0") for _, value in numbers) + "\n")
            kept += 1
            if WANTED <= seen_r and WANTED <= seen_s and kept >= 8:
                return
    sys.exit(f"r and s did not come in every form in {MAX_TRIES} tries")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
