#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine, as root.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev xxd clang-format googletest libstb-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-i686-dev mingw-w64-x86-64-dev
  wine wine64 wine32:i386 xvfb xauth xdotool python3 python3-pil fonts-dejavu-core util-linux
  osslsigncode openssl  # for the tests only: they sign installer and saver files as a maker does
  wixl msitools  # lumivex-pack msi builds packages with wixl; the tests read them with msiinfo
)

need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: run as root (apt-get needs it)" >&2
    exit 1
  fi
}

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  need_root
  dpkg --add-architecture i386
fi
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  need_root
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# 32-bit Wine needs a machine that runs i386 programs: where the kernel does not, qemu-i386 is
# fetched once and cached.
"$(dirname "$0")/i386-run.sh" --setup

for tool in i686-w64-mingw32-g++-posix i686-w64-mingw32-windres wine Xvfb cmake ninja; do
  command -v "$tool" >/dev/null || { echo "setup: $tool is still missing" >&2; exit 1; }
done
echo "setup: toolchain ready"
