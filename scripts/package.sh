#!/usr/bin/env bash
# Builds the release programs and writes the release into dist/:
#
#   Zeb-<version>-win64.zip        Zeb.exe (ZebUpdater travels inside it) and a read-me
#   Zeb-<version>-win64-setup.exe  the installer (NSIS): per user, no administrator rights
#   Zeb-<version>-win32.zip, Zeb-<version>-win32-setup.exe
#                                  the same for 32-bit Windows, when that tree builds
#   SHA256SUMS                     the checksums of the packages (sha256sum -c SHA256SUMS)
#   update-reply.ini               the update check's reply offering this build's 64-bit
#                                  Zeb.exe, signed (update-reply-win32.ini: the 32-bit one)
#   winget/manifests/q/Quillon/Zeb/<version>/
#                                  the winget manifests (version, installer, zh-CN locale)
#                                  of the setups
#   scoop/zeb.json                 the Scoop manifest of the zips
#
#   scripts/package.sh [--key KEY.pem] [--dlurl URL] [--build DIR]... [--out DIR]
#                      [--codesign-cert CERT.pem --codesign-key KEY.pem [--timestamp URL]]
#
#   --key KEY.pem  the update key's private half (PEM, P-256). The programs are
#                  built with its public half, the key every later update must
#                  be signed with. Without it the development key
#                  tests/keys/update-dev.pem signs, and every package's name
#                  carries "-dev" (Zeb-<version>-dev-win64.zip, update-reply-dev.ini).
#   --dlurl URL    where the published files are downloaded from; @FILE@ stands
#                  for a file's published name: Zeb-<version>-win64.exe (or
#                  -win32.exe) in the update reply, the setup's and the zip's own
#                  names in the manifests.
#                  Default: http://<the build's vendor host>/zeb/@FILE@
#   --build DIR    package this already built Windows tree (MinSizeRel, built
#                  with the key's public half) instead of building; once per
#                  architecture
#   --out DIR      write the release there instead of dist/
#   --codesign-cert CERT.pem, --codesign-key KEY.pem
#                  sign with Authenticode (scripts/codesign.sh): each tree's
#                  ZebUpdater.exe in place, after which the tree's Zeb.exe is
#                  linked again to carry it; then a copy of Zeb.exe (the one
#                  the zip, the installer and the update reply hold), the
#                  installer and the uninstaller it writes. The certificate
#                  must be for code signing and match the key; it is checked
#                  before anything is built. Without them nothing is signed.
#   --timestamp URL  an RFC 3161 time-stamping server for those signatures
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")

# Paths on the command line are taken from the current directory.
key=
dlurl=
out=$root/dist
trees=()
cert=
cert_key=
timestamp=
usage="usage: scripts/package.sh [--key KEY.pem] [--dlurl URL] [--build DIR]... [--out DIR]
                          [--codesign-cert CERT.pem --codesign-key KEY.pem [--timestamp URL]]"
while [ $# -gt 0 ]; do
    case "$1" in
        --key) key=$(realpath "$2"); shift 2 ;;
        --dlurl) dlurl=$2; shift 2 ;;
        --build) trees+=("$(realpath "$2")"); shift 2 ;;
        --out) out=$(realpath -m "$2"); shift 2 ;;
        --codesign-cert) cert=$(realpath "$2"); shift 2 ;;
        --codesign-key) cert_key=$(realpath "$2"); shift 2 ;;
        --timestamp) timestamp=$2; shift 2 ;;
        *) echo "$usage" >&2; exit 2 ;;
    esac
done
if { [ -z "$cert" ] && [ -n "$cert_key$timestamp" ]; } || { [ -n "$cert" ] && [ -z "$cert_key" ]; }; then
    echo "--codesign-cert and --codesign-key go together (and --timestamp with them)" >&2
    echo "$usage" >&2
    exit 2
fi
cd "$root"

scripts/install-deps.sh

if [ -n "$cert" ]; then
    # The certificate must carry the key's public half and be for code
    # signing: Windows trusts no Authenticode signature made otherwise.
    signer=$(python3 - "$cert" "$cert_key" <<'PY'
import sys
from cryptography import x509
from cryptography.hazmat.primitives import serialization
from cryptography.x509.oid import ExtendedKeyUsageOID
cert_path, key_path = sys.argv[1:]
try:
    with open(cert_path, "rb") as f:
        cert = x509.load_pem_x509_certificate(f.read())
except ValueError:
    sys.exit("%s holds no PEM certificate" % cert_path)
try:
    with open(key_path, "rb") as f:
        key = serialization.load_pem_private_key(f.read(), password=None)
except (ValueError, TypeError):
    sys.exit("%s is not an unencrypted PEM private key" % key_path)

def public(k):
    return k.public_bytes(serialization.Encoding.DER, serialization.PublicFormat.SubjectPublicKeyInfo)
subject = cert.subject.rfc4514_string()
if public(cert.public_key()) != public(key.public_key()):
    sys.exit("%s is not the private key of the certificate %s (%s)" % (key_path, cert_path, subject))
try:
    usages = cert.extensions.get_extension_for_class(x509.ExtendedKeyUsage).value
except x509.ExtensionNotFound:
    usages = []
if ExtendedKeyUsageOID.CODE_SIGNING not in usages:
    sys.exit("the certificate %s (%s) is not for code signing: its extended key usage lacks %s"
             % (cert_path, subject, ExtendedKeyUsageOID.CODE_SIGNING.dotted_string))
print(subject)
PY
    ) || exit 1
    export ZEB_CODESIGN_CERT=$cert ZEB_CODESIGN_KEY=$cert_key ZEB_CODESIGN_TIMESTAMP=$timestamp
    echo "signing with Authenticode as $signer${timestamp:+, time-stamped by $timestamp}"
    [ -n "$timestamp" ] || echo "no --timestamp: the signatures end with the certificate"
else
    echo "no --codesign-cert: the programs and installers are not signed with Authenticode"
fi

dev=
if [ -z "$key" ]; then
    key=$root/tests/keys/update-dev.pem
    dev=-dev
    echo "no --key: signing with the development key; the packages are named -dev"
fi
# The update key's public half as the programs carry it: X then Y, 128 hexadecimal digits.
public_key=$(python3 - "$key" <<'PY'
import sys
from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.asymmetric import ec
with open(sys.argv[1], "rb") as f:
    key = serialization.load_pem_private_key(f.read(), password=None)
if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
    sys.exit("%s is not a P-256 private key" % sys.argv[1])
n = key.public_key().public_numbers()
print("%064X%064X" % (n.x, n.y))
PY
)

cache_value() {  # cache_value TREE NAME: a value of the tree's CMake cache
    sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

if [ ${#trees[@]} -eq 0 ]; then
    for arch in x86_64 i686; do
        tree=$root/build/release-$arch
        echo "building $tree"
        if cmake -S . -B "$tree" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
                -DZEB_WIN_ARCH=$arch -DZEB_UPDATE_PUBLIC_KEY="$public_key" >/dev/null &&
            cmake --build "$tree" -j2 --target Zeb >"$tree/package-build.log" 2>&1; then
            trees+=("$tree")
        elif [ $arch = x86_64 ]; then
            tail -n 40 "$tree/package-build.log" >&2
            exit 1
        else
            echo "the $arch tree does not build (see $tree/package-build.log): no 32-bit packages" >&2
        fi
    done
fi

version=
mkdir -p "$out"
rm -f "$out"/Zeb-*.zip "$out"/Zeb-*-setup.exe "$out"/SHA256SUMS "$out"/update-reply*.ini
rm -rf "$out"/winget "$out"/scoop
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
packages=()
published_files=()
for tree in "${trees[@]}"; do
    [ -f "$tree/Zeb.exe" ] || { echo "$tree holds no Zeb.exe" >&2; exit 1; }
    tree_version=$(cache_value "$tree" CMAKE_PROJECT_VERSION)
    [ -z "$version" ] || [ "$version" = "$tree_version" ] || {
        echo "$tree is version $tree_version, not $version" >&2; exit 1; }
    version=$tree_version
    tree_key=$(cache_value "$tree" ZEB_UPDATE_PUBLIC_KEY)
    if [ "${tree_key^^}" != "$public_key" ]; then
        echo "$tree was not built with the public half of $key: its Zeb.exe could not take the updates" \
             "signed with it (configure it with -DZEB_UPDATE_PUBLIC_KEY=$public_key)" >&2
        exit 1
    fi
    case "$(cache_value "$tree" ZEB_WIN_ARCH)" in
        i686) arch=win32 target=x86-unicode ;;
        *) arch=win64 target=amd64-unicode ;;
    esac
    name=Zeb-$version$dev-$arch
    echo "packaging $tree as $name"

    # The Zeb.exe every package holds and the update reply offers.
    exe=$tree/Zeb.exe
    if [ -n "$cert" ]; then
        # Zeb.exe carries ZebUpdater.exe byte for byte and writes it out to
        # run it: it is signed first, and Zeb.exe linked again around it.
        echo "signing $tree/ZebUpdater.exe and linking $tree/Zeb.exe again"
        scripts/codesign.sh "$tree/ZebUpdater.exe"
        if ! cmake --build "$tree" -j2 --target Zeb >"$tree/package-build.log" 2>&1; then
            tail -n 40 "$tree/package-build.log" >&2
            exit 1
        fi
        python3 -c 'import sys; sys.exit(open(sys.argv[2], "rb").read() not in open(sys.argv[1], "rb").read())' \
            "$tree/Zeb.exe" "$tree/ZebUpdater.exe" || {
            echo "$tree/Zeb.exe does not carry the signed ZebUpdater.exe" >&2; exit 1; }
        exe=$stage/$arch/Zeb.exe
        mkdir -p "$stage/$arch"
        cp "$tree/Zeb.exe" "$exe"
        scripts/codesign.sh "$exe"
    fi

    # The zip: Zeb.exe at its root and the read-me (UTF-8 with a byte-order
    # mark and CRLF lines, as Windows' Notepad reads it).
    python3 - "$out/$name.zip" "$exe" installer/README.txt "$version" "$name-setup.exe" <<'PY'
import sys, zipfile
zip_path, exe, readme, version, setup = sys.argv[1:]
with open(readme, encoding="utf-8") as f:
    text = f.read().replace("@VERSION@", version).replace("@SETUP@", setup)
with zipfile.ZipFile(zip_path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    z.write(exe, "Zeb.exe")
    info = zipfile.ZipInfo.from_file(readme, "README.txt")
    info.compress_type = zipfile.ZIP_DEFLATED
    z.writestr(info, ("\ufeff" + text.replace("\n", "\r\n")).encode("utf-8"))
PY
    makensis -V2 -WX -INPUTCHARSET UTF8 -DZEB_VERSION="$version" -DZEB_TARGET=$target \
        -DZEB_EXE="$exe" -DZEB_ICON="$root/res/zeb.ico" -DZEB_OUTFILE="$out/$name-setup.exe" \
        ${cert:+-DZEB_CODESIGN="$root/scripts/codesign.sh"} installer/zeb.nsi
    [ -z "$cert" ] || scripts/codesign.sh "$out/$name-setup.exe"
    packages+=("$name.zip" "$name-setup.exe")

    # The update check's reply: this build's number, where its Zeb.exe is
    # published, and the signature over both.
    reply=$out/update-reply$dev.ini
    [ $arch = win64 ] || reply=$out/update-reply$dev-$arch.ini
    published=Zeb-$version$dev-$arch.exe
    url=${dlurl:-http://$(cache_value "$tree" ZEB_VENDOR_HOST)/zeb/@FILE@}
    {
        echo "[Zeb]"
        echo "infoVer=${version##*.}"
        echo "dlurl=${url//@FILE@/$published}"
        python3 scripts/sign-update.py "$key" "$exe" "${version##*.}"
    } | sed 's/$/\r/' >"$reply"
    homepage=http://$(cache_value "$tree" ZEB_VENDOR_HOST)/
    published_files+=("$arch" "$out/$name.zip" "${url//@FILE@/$name.zip}"
                      "$out/$name-setup.exe" "${url//@FILE@/$name-setup.exe}")
done

(cd "$out" && sha256sum -- "${packages[@]}" >SHA256SUMS)
python3 scripts/manifests.py "$out" "$version" "$homepage" "${published_files[@]}"
echo "release $version$dev in $out:"
(cd "$out" && ls -l -- "${packages[@]}" SHA256SUMS update-reply*.ini && find winget scoop -type f)
