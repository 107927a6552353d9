#!/usr/bin/env bash
# Builds the three trees: native (Win32-free code with sanitizers), the 32-bit Windows engine
# as shipped, and (where 32-bit code cannot run) the 64-bit Windows build the tests run.
# Prints the Windows test architecture as its last line.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native

cmake -S . -B build/win-i686 -G Ninja --toolchain cmake/toolchain-i686-w64-mingw32.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win-i686

arch=$(scripts/windows-test-arch.sh)
if [ "$arch" != i686 ]; then
    cmake -S . -B "build/win-$arch" -G Ninja --toolchain "cmake/toolchain-$arch-w64-mingw32.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "build/win-$arch"
fi
echo "$arch"
