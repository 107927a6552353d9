#!/usr/bin/env bash
# Checks the engine's file as the system loader sees it: a section "Shared" that holds the
# instance counter (-1, initialised, read, write, shared), and at most 144 KiB in all. What it
# imports is the import audit's (check-imports.py).
set -euo pipefail
engine=$1
objdump=${2:-i686-w64-mingw32-objdump}
fail() { echo "check-engine-file: $engine: $*" >&2; exit 1; }

headers=$("$objdump" -h "$engine")
line=$(grep -E '^\s*[0-9]+\s+Shared\s' <<<"$headers") || fail "no section named Shared"
size=$(awk '{print $3}' <<<"$line")
[ $((16#$size)) -ge 4 ] || fail "section Shared is only 0x$size bytes"
flags=$(grep -A1 -E '^\s*[0-9]+\s+Shared\s' <<<"$headers" | tail -n 1)
for flag in CONTENTS ALLOC LOAD DATA; do grep -qw "$flag" <<<"$flags" || fail "section Shared lacks $flag ($flags)"; done
grep -qw READONLY <<<"$flags" && fail "section Shared is read-only"

# The raw characteristics word: initialised data 0x40, shared 0x10000000, read 0x40000000,
# write 0x80000000.
characteristics=$(python3 - "$engine" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', data, 0x3C)[0]
sections = struct.unpack_from('<H', data, pe + 6)[0]
optional = struct.unpack_from('<H', data, pe + 20)[0]
table = pe + 24 + optional
for i in range(sections):
    entry = table + 40 * i
    name = data[entry:entry + 8].rstrip(b'\0')
    if name == b'Shared':
        raw_size, raw_pointer = struct.unpack_from('<II', data, entry + 16)
        flags = struct.unpack_from('<I', data, entry + 36)[0]
        first = struct.unpack_from('<i', data, raw_pointer)[0] if raw_size >= 4 else None
        print('%08x %s' % (flags, first))
PY
)
read -r word first <<<"$characteristics"
required=$((0x40 | 0x10000000 | 0x40000000 | 0x80000000))
[ $((16#$word & required)) -eq $required ] || fail "section Shared characteristics 0x$word lack 0x$(printf %x $required)"
[ "$first" = "-1" ] || fail "section Shared starts with $first, not -1 (FF FF FF FF)"

bytes=$(stat -c %s "$engine")
limit=147456
[ "$bytes" -le $limit ] || fail "$bytes bytes, more than the $limit the engine may weigh"

echo "check-engine-file: $engine: $bytes bytes (limit $limit); section Shared 0x$word holds -1"
