#!/usr/bin/env bash
# Prints the architecture whose Windows build the tests run under Wine on this machine: i686
# where the kernel runs 32-bit code (the engine as shipped), x86_64 where it does not (some
# kernels boot with 32-bit emulation off; there the same sources run as a 64-bit build under
# 64-bit Wine). LUMIVEX_WINDOWS_TEST_ARCH overrides the probe.
set -euo pipefail
if [ -n "${LUMIVEX_WINDOWS_TEST_ARCH:-}" ]; then
    echo "$LUMIVEX_WINDOWS_TEST_ARCH"
elif [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo i686
else
    echo x86_64
fi
