"""Test certificates for the HTTPS scenarios: made with openssl for the name
"localhost" (Wine matches no IP-address names), and trusted, or not, by a
prefix's current user."""
import hashlib
import struct
import subprocess
from pathlib import Path

ROOT_STORE = r"HKCU\Software\Microsoft\SystemCertificates\Root\Certificates"
CERT_CERT_PROP_ID = 32


def make_certificate(folder, name="server"):
    """A self-signed certificate and its key for localhost, in PEM:
    returns (certificate, key) paths."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    cert, key = folder / f"{name}.crt", folder / f"{name}.key"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key), "-out",
                    str(cert), "-days", "2", "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost"],
                   check=True, capture_output=True)
    return cert, key


def der(cert):
    return subprocess.run(["openssl", "x509", "-in", str(cert), "-outform", "der"], check=True,
                          capture_output=True).stdout


def trust(w, cert):
    """Adds the certificate to the current user's "Root" store of the prefix,
    where CertAddEncodedCertificateToStore keeps it: a registry value named
    after its SHA-1 holding the encoded certificate as a serialized
    property (id 32, CERT_CERT_PROP_ID)."""
    encoded = der(cert)
    blob = struct.pack("<III", CERT_CERT_PROP_ID, 1, len(encoded)) + encoded
    thumbprint = hashlib.sha1(encoded).hexdigest().upper()
    w.reg_add(ROOT_STORE + "\\" + thumbprint, "Blob", blob.hex(), "REG_BINARY")
