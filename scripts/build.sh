#!/usr/bin/env bash
# Builds the native tree (the Win32-free code with sanitizers, and lumivex-pack) and the 32-bit
# Windows tree: the engine as shipped, its test build and the Windows test programs.
#   build.sh            those two
#   build.sh --x86_64   also the same sources for 64-bit Windows (build/win-x86_64), kept
#                       buildable so the code stays 64-bit clean; it is not a product
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native

windows_tree() {
    local arch=$1
    cmake -S . -B "build/win-$arch" -G Ninja --toolchain "cmake/toolchain-$arch-w64-mingw32.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "build/win-$arch"
}
windows_tree i686
if [ "${1:-}" = --x86_64 ]; then windows_tree x86_64; fi
