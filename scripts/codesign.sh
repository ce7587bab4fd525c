#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode (SHA-256), replacing any
# signature they already carry:
#
#   ZEB_CODESIGN_CERT=CERT.pem ZEB_CODESIGN_KEY=KEY.pem [ZEB_CODESIGN_TIMESTAMP=URL] \
#       scripts/codesign.sh FILE...
#
# CERT.pem is the code-signing certificate followed by any intermediate
# certificates, KEY.pem its private key (PEM, unencrypted). With
# ZEB_CODESIGN_TIMESTAMP an RFC 3161 time-stamping server countersigns, so the
# signature stays valid after the certificate expires. scripts/package.sh
# checks the pair and runs this; makensis runs it on the uninstaller it
# writes into the installer.
set -euo pipefail
: "${ZEB_CODESIGN_CERT:?the code-signing certificate}" "${ZEB_CODESIGN_KEY:?its private key}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for file in "$@"; do
    unsigned=$file
    if osslsigncode remove-signature -in "$file" -out "$work/unsigned" >/dev/null 2>&1; then
        unsigned=$work/unsigned
    fi
    if ! osslsigncode sign -certs "$ZEB_CODESIGN_CERT" -key "$ZEB_CODESIGN_KEY" -h sha256 -n Zeb \
            ${ZEB_CODESIGN_TIMESTAMP:+-ts "$ZEB_CODESIGN_TIMESTAMP"} \
            -in "$unsigned" -out "$work/signed" >"$work/log" 2>&1; then
        echo "signing $file failed:" >&2
        cat "$work/log" >&2
        exit 1
    fi
    chmod --reference="$file" "$work/signed"
    mv -f "$work/signed" "$file"
    rm -f "$work/unsigned"
done
