#!/usr/bin/env python3
"""Signs a build of Zeb.exe for the update check's reply.

    scripts/sign-update.py KEY.pem FILE INFOVER

Prints the two lines the reply's section "Zeb" carries beside "infoVer" and
"dlurl":

    sha256=<the file's SHA-256, 64 lower-case hexadecimal digits>
    sig=<r then s of an ECDSA P-256 signature with SHA-256, 32 bytes each,
         big-endian, 128 hexadecimal digits>

The signed text is the ASCII "Zeb.exe <infoVer> <sha256>": the build number
in decimal as the reply gives it (and as Zeb reads it), so a signed build
cannot be offered under another number. KEY.pem is the P-256 private key (PEM, unencrypted) whose public half
is built into Zeb.exe (ZEB_UPDATE_PUBLIC_KEY); tests/keys/update-dev.pem is
the development key.

The module's sign_update() is used by the tests' fake vendor site.
"""
import hashlib
import sys

from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.hazmat.primitives.asymmetric.utils import decode_dss_signature


def load_key(pem_path):
    with open(pem_path, "rb") as f:
        key = serialization.load_pem_private_key(f.read(), password=None)
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        raise ValueError("%s is not a P-256 private key" % pem_path)
    return key


def signed_text(info_ver, sha256_hex):
    return ("Zeb.exe %s %s" % (info_ver, sha256_hex.lower())).encode("ascii")


def sign_text(key, text):
    r, s = decode_dss_signature(key.sign(text, ec.ECDSA(hashes.SHA256())))
    return "%064x%064x" % (r, s)


def sign_update(key, data, info_ver):
    """The reply's ("sha256", "sig") for the bytes of a build offered as info_ver."""
    digest = hashlib.sha256(data).hexdigest()
    return digest, sign_text(key, signed_text(info_ver, digest))


def main(argv):
    if len(argv) != 4:
        sys.stderr.write("usage: sign-update.py KEY.pem FILE INFOVER\n")
        return 2
    key_path, file_path, info_ver = argv[1:]
    # Zeb signs the number it reads written plainly in decimal: "03" or "+3"
    # in a reply would not match.
    if not info_ver.isdigit() or str(int(info_ver)) != info_ver or int(info_ver) > 0xFFFFFFFF:
        sys.stderr.write("INFOVER must be a decimal number without leading zeros, at most 4294967295\n")
        return 2
    with open(file_path, "rb") as f:
        data = f.read()
    digest, sig = sign_update(load_key(key_path), data, info_ver)
    print("sha256=" + digest)
    print("sig=" + sig)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
