#!/usr/bin/env bash
# Installs the Debian packages the build needs; packages already there are left alone, and the
# package lists are updated only when something must be installed.
#   install-deps.sh         everything ./test.sh builds and runs
#   install-deps.sh --run   only what building and running the programs needs (./run.sh)
set -euo pipefail

# lrelease builds the translations; Qt's own translations and a CJK font show the Chinese
# interface.
packages=(
    cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev
    qt6-l10n-tools qt6-tools-dev qt6-translations-l10n fonts-wqy-microhei
)
if [ "${1:-}" = "--run" ]; then
    shift
else
    packages+=(
        clang-format clang libclang-rt-14-dev googletest libgtest-dev lintian
        mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64
        tshark python3 ansible-core python3-pytest python3-pytest-xdist python3-pytest-forked
        python3-pytest-mock python3-mock
    )
fi
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
# tshark asks whether non-root users may capture: they may not, and nothing asks.
echo "wireshark-common wireshark-common/install-setuid boolean false" | $sudo debconf-set-selections
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
