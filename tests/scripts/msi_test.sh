#!/usr/bin/env bash
# A maker's package for many PCs, end to end. Builds NAME.msi with the native lumivex-pack (wixl)
# from the demo's inputs (the shipped engine, the generated splash pictures, the test player as
# the show), reads its tables back with msiinfo, then under Wine installs it quietly (msiexec /i
# /qn): the files in C:\windows equal those 'lumivex-pack saver' writes and the saver runs its
# player; version 1.1.0 replaces 1.0.0 with one entry in the list of programs; msiexec /x /qn
# removes it all.
#   msi_test.sh PACK WINE_RUN ENGINE PLAYER ART
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: $0 PACK WINE_RUN ENGINE PLAYER ART" >&2; exit 2; }
pack=$1 wine_run=$2 engine=$3 player=$4 art=$5
name="Lumivex Demo"

say() { echo "msi: $*"; }
fail() { say "FAILED: $*"; exit 1; }
for tool in wixl msiinfo "$pack"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs wixl and msitools)"
done
# Beside the Windows tree, where Wine reaches it (Z: is the root).
work=$(mktemp -d "$(dirname "$wine_run")/msi.XXXXXX")
trap 'rm -rf "$work"' EXIT
windows=${LUMIVEX_WINEPREFIX:-$(dirname "$wine_run")/wineprefix}/drive_c/windows
win() { echo "Z:${1//\//\\}"; }

# Version 1.1.0 swaps the splash pictures, so its saver differs from 1.0.0's.
for version in 1.0.0 1.1.0; do
    if [ "$version" = 1.0.0 ]; then splash=("$art/splash1.bmp" "$art/splash2.bmp"); else splash=("$art/splash2.bmp" "$art/splash1.bmp"); fi
    mkdir -p "$work/$version"
    inputs=(--engine "$engine" --player "$player" --splash1 "${splash[0]}" --splash2 "${splash[1]}" --name "$name")
    "$pack" saver "${inputs[@]}" -o "$work/$version" >/dev/null
    say "$("$pack" msi "${inputs[@]}" --version "$version" --publisher "Lumivex tests" -o "$work/$version/$name.msi")"
done
msi=$work/1.0.0/$name.msi
upgrade=$(msiinfo export "$msi" Property | sed -n 's/^UpgradeCode\t//p' | tr -d '\r')

say "msiinfo tables: $(msiinfo tables "$msi" | tr '\n' ' ')"
for table in File Component Directory Upgrade; do
    msiinfo export "$msi" "$table" | tr -d '\r' | sed "s/^/msi:   $table: /"
done
expect_row() {  # TABLE PATTERN WHAT
    msiinfo export "$msi" "$1" | tr -d '\r' | grep -qE "$2" || fail "$1 table: no row of $3"
}
expect_row File "^SaverFile	Saver	$name\\.scr	$(stat -c %s "$work/1.0.0/$name.scr")	" "the saver"
expect_row File "^PlayerFile	Player	$name\\.exe	$(stat -c %s "$work/1.0.0/$name.exe")	" "the player"
expect_row Component "^Saver	\\{[0-9A-F-]{36}\\}	WindowsFolder	0		SaverFile$" "the saver's component"
expect_row Component "^Player	\\{[0-9A-F-]{36}\\}	WindowsFolder	0		PlayerFile$" "the player's component"
expect_row Directory "^WindowsFolder	TARGETDIR	\\.$" "the Windows directory"
expect_row Upgrade "^\\$upgrade		1\\.0\\.0		1		WIX_UPGRADE_DETECTED$" "the major upgrade"
expect_row Property "^ALLUSERS	1$" "a per-machine install"
expect_row Property "^ProductName	$name \\(screen saver\\)$" "the product's name"
expect_row Property "^Manufacturer	Lumivex tests$" "the publisher"
say "the tables hold both files in WindowsFolder and the upgrade code $upgrade"

entries() {  # how many Windows Installer products (keys named by a product code) carry the saver's name
    "$wine_run" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
        awk -v name="$name (screen saver)" '/^HKEY_/ { product = ($0 ~ /\}$/) } product && /DisplayName/ && index($0, name) { n++ } END { print n + 0 }'
}
# Products of this name that an earlier run left installed (one that failed half-way) go first.
remove_earlier_products() {
    local code
    for code in $("$wine_run" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | awk -v name="$name (screen saver)" \
            '/^HKEY_/ { key = $0 } /DisplayName/ && index($0, name) && key ~ /\}$/ { sub(/.*\\/, "", key); print key }'); do
        "$wine_run" msiexec /x "$code" /qn || true
    done
}
remove_earlier_products

msiexec() {  # ACTION VERSION
    local code=0
    "$wine_run" msiexec "$1" "$(win "$work/$2/$name.msi")" /qn || code=$?
    [ "$code" = 0 ] || fail "msiexec $1 $2/$name.msi /qn: exit code $code"
}
expect_installed() {  # VERSION
    for ext in scr exe; do
        cmp -s "$work/$1/$name.$ext" "$windows/$name.$ext" || fail "C:\\windows\\$name.$ext is not the file 'lumivex-pack saver' wrote for $1"
    done
    [ "$(entries)" = 1 ] || fail "$(entries) entries of \"$name (screen saver)\" in the list of programs after $1, not 1"
}

rm -f "$windows/$name.scr" "$windows/$name.exe"
msiexec /i 1.0.0
expect_installed 1.0.0
say "msiexec /i \"$name.msi\" /qn: exit code 0; C:\\windows\\$name.scr and .exe equal what 'lumivex-pack saver' writes; one entry in the list of programs"

record=$work/player.txt
code=0
LUMIVEX_PLAYER_RECORD=$(win "$record") LUMIVEX_PLAYER_EXIT_AFTER=500 "$wine_run" "C:\\windows\\$name.scr" /s || code=$?
[ "$code" = 0 ] || fail "\"$name.scr\" /s: exit code $code"
grep -q '^start ' "$record" && grep -q '^end ' "$record" || fail "the player did not run: $(cat "$record" 2>/dev/null)"
say "\"$name.scr\" /s ran its player and ended with exit code 0"

msiexec /i 1.1.0
expect_installed 1.1.0
say "1.1.0 over 1.0.0: the new files, and one entry with the upgrade code $upgrade"

msiexec /x 1.1.0
[ ! -e "$windows/$name.scr" ] && [ ! -e "$windows/$name.exe" ] || fail "msiexec /x left the saver's files"
[ "$(entries)" = 0 ] || fail "msiexec /x left the entry in the list of programs"
say "msiexec /x \"$name.msi\" /qn: exit code 0; the files and the entry are gone"
