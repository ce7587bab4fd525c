#!/usr/bin/env bash
# Installs what building and testing Zeb needs on Debian 12, when missing.
set -euo pipefail

packages=(cmake make g++ googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-tools
          wine wine64 xvfb xauth openbox fonts-wqy-microhei fonts-droid-fallback imagemagick
          python3 python3-cryptography python3-yaml nsis osslsigncode faketime procps locales)

# Wine takes its code page from LANG: zh_CN.UTF-8 gives code page 936, and
# en_US.UTF-8 (for the tests of other locales) code page 1252.
locales=(zh_CN en_US)
locale_ready() {
    local l
    for l in "${locales[@]}"; do locale -a 2>/dev/null | grep -qix "$l.utf8" || return 1; done
}

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ] && locale_ready; then
    exit 0
fi

echo "installing: ${missing[*]} (and the zh_CN.UTF-8 and en_US.UTF-8 locales)"
if [ "$(id -u)" -ne 0 ]; then
    echo "run as root (or install these packages and the zh_CN.UTF-8 and en_US.UTF-8 locales): ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
[ ${#missing[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
if ! locale_ready; then
    for l in "${locales[@]}"; do
        sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" /etc/locale.gen
        grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" >> /etc/locale.gen
    done
    locale-gen >/dev/null
fi
