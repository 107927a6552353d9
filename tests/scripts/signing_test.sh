#!/usr/bin/env bash
# A maker's signing, end to end. Makes a throw-away self-signed code-signing certificate (openssl),
# assembles installer files with the native lumivex-pack (from the shipped engine; the winNT
# class's from the test build, whose hook stands in for that class; the win31 class's with a
# 16-bit payload), makes the saver file an install writes on the win95 class, signs all four with
# osslsigncode and has osslsigncode verify them, then runs the end-to-end suite SignedFiles, which
# installs and runs them under Wine.
#   signing_test.sh PACK WINE_RUN E2E_TESTS ENGINE TEST_ENGINE PLAYER ART -- E2E_OPTIONS...
set -euo pipefail
[ $# -ge 8 ] && [ "$8" = -- ] || { echo "usage: $0 PACK WINE_RUN E2E_TESTS ENGINE TEST_ENGINE PLAYER ART -- OPTIONS" >&2; exit 2; }
pack=$1 wine_run=$2 e2e=$3 engine=$4 test_engine=$5 player=$6 art=$7
shift 8

say() { echo "signing: $*"; }
for tool in osslsigncode openssl python3 "$pack"; do
    command -v "$tool" >/dev/null || { say "$tool is missing (scripts/setup.sh installs the tools, scripts/build.sh builds the native lumivex-pack)"; exit 1; }
done
# Beside the Windows tree, where Wine reaches it.
work=$(mktemp -d "$(dirname "$wine_run")/signing.XXXXXX")
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Lumivex test maker" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$work/maker.key" -out "$work/maker.crt" 2>/dev/null

assemble() {  # OUT ENGINE FLAGS
    "$pack" build --engine "$2" --player "$player" --splash1 "$art/splash1.bmp" --splash2 "$art/splash2.bmp" \
        --name "Fish Tank" --flags "$3" -o "$1" >/dev/null
}
assemble "$work/FISH95.exe" "$engine" 0x4000
assemble "$work/FISHNT.exe" "$test_engine" 0x4000
assemble "$work/FISH31.exe" "$engine" 0
python3 - "$work/FISH95.exe" "$work/saver.scr" <<'EOF'
# The saver an install writes on the win95 class: image B, both splash bitmaps, the trailer.
import struct
import sys

data = open(sys.argv[1], "rb").read()
_, _, image_a, _, image_b, _, splash1, splash2, _, _, _ = struct.unpack("<11I", data[-44:])
with open(sys.argv[2], "wb") as out:
    out.write(data[image_a:image_a + image_b + splash1 + splash2] + data[-44:])
EOF

for name in FISH95.exe FISHNT.exe FISH31.exe saver.scr; do
    osslsigncode sign -certs "$work/maker.crt" -key "$work/maker.key" -n "Fish Tank" \
        -in "$work/$name" -out "$work/signed-$name" >/dev/null
    # Self-signed: the certificate is its own authority.
    if ! verified=$(osslsigncode verify -CAfile "$work/maker.crt" -in "$work/signed-$name" 2>&1); then
        echo "$verified"
        say "osslsigncode verify: $name: refused"
        exit 1
    fi
    if [ "$name" = FISH95.exe ]; then sed 's/^/signing:   /' <<<"$verified"; fi
    say "osslsigncode verify: $name: $(grep -m1 'Signature verification' <<<"$verified")," \
        "$(grep -m1 'Number of verified signatures' <<<"$verified"), signer $(grep -m1 -o '/CN=.*' <<<"$verified")"
    "$pack" info "$work/signed-$name" | sed -n "s|^  \(signed: .*\)|signing: lumivex-pack info: $name: \1|p"
done

"$wine_run" "$e2e" --gtest_filter='SignedFiles.*' "$@" --signed-win95="$work/signed-FISH95.exe" \
    --signed-winnt="$work/signed-FISHNT.exe" --signed-win31="$work/signed-FISH31.exe" \
    --signed-saver="$work/signed-saver.scr"
say "the signed files installed and ran on every class"
