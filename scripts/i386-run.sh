#!/usr/bin/env bash
# Runs a command where 32-bit x86 programs work: the 32-bit Wine loader, its services and every
# Windows program they start. Where the kernel runs i386 code itself the command runs as it is.
# Where it does not (some kernels boot with 32-bit emulation off), the command runs in a user
# and mount namespace of its own whose binfmt_misc (one per user namespace from Linux 6.7 on)
# hands every i386 ELF program to qemu-i386; 64-bit programs (bash, ctest, Xvfb, wineserver)
# still run natively, and the host's binfmt settings are never touched.
#
#   i386-run.sh COMMAND [ARGS...]   run the command
#   i386-run.sh --lane              print the lane this machine uses: native or qemu
#   i386-run.sh --ready             succeed when i386 programs run here as things stand
#   i386-run.sh --setup             fetch and cache qemu-i386 when the lane needs it (as root)
#
# LUMIVEX_I386_LANE=native|qemu forces a lane; LUMIVEX_CACHE_DIR moves the cache
# (default /var/cache/lumivex).
set -euo pipefail

cache_dir=${LUMIVEX_CACHE_DIR:-/var/cache/lumivex}
qemu=$cache_dir/qemu-i386
entry=lumivex-i386
binfmt=/proc/sys/fs/binfmt_misc

die() {
    echo "i386-run: $*" >&2
    exit 125
}

kernel_runs_i386() { [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

lane() {
    case ${LUMIVEX_I386_LANE:-} in
        native | qemu) echo "$LUMIVEX_I386_LANE" ;;
        "") if kernel_runs_i386; then echo native; else echo qemu; fi ;;
        *) die "LUMIVEX_I386_LANE is '$LUMIVEX_I386_LANE'; it takes native or qemu" ;;
    esac
}

# The qemu lane needs a binfmt_misc of the namespace's own: Linux 6.7 or later.
check_kernel() {
    local release major minor
    release=$(uname -r)
    IFS=. read -r major minor _ <<<"$release"
    minor=${minor%%[!0-9]*}
    if [ "${major:-0}" -lt 6 ] || { [ "$major" -eq 6 ] && [ "${minor:-0}" -lt 7 ]; }; then
        die "this kernel ($release) cannot run 32-bit x86 programs (boot it with ia32_emulation=on)," \
            "and it is older than 6.7, so a user namespace has no binfmt_misc of its own to run them" \
            "through qemu-i386; one of the two is needed"
    fi
}

# The mirror that the system's own apt sources use for the release itself (one-line lists and
# deb822 .sources files alike).
system_mirror() {
    local codename=$1
    {
        cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
            awk -v suite="$codename" '$1 == "deb" { for (i = 2; i < NF; i++) if ($i !~ /^\[/ && $(i + 1) == suite) { print $i; exit } }'
        cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
            awk -v suite="$codename" '
                /^[[:space:]]*$/ { if (hit && uri != "") { print uri; exit } uri = ""; hit = 0 }
                /^URIs:/ { uri = $2 }
                /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) hit = 1 }
                END { if (hit && uri != "") print uri }'
    } | head -n 1
}

# Fetches qemu-user from the release's backports suite with an apt configuration of its own (its
# own sources list, lists and cache; the system's sources stay as they are) and keeps only the
# static qemu-i386.
fetch_qemu() {
    [ -x "$qemu" ] && return 0
    [ "$(id -u)" -eq 0 ] || die "fetching qemu-i386 into $cache_dir needs root"
    local codename mirror work
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || die "/etc/os-release names no release codename"
    mirror=$(system_mirror "$codename")
    [ -n "$mirror" ] || die "the system's apt sources name no mirror for $codename"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' RETURN
    mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg options=""
    [ -f "$keyring" ] && options="[signed-by=$keyring] "
    echo "deb ${options}$mirror $codename-backports main" >"$work/sources.list"
    local apt=(-o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=-
               -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache"
               -o APT::Sandbox::User=root -o Debug::NoLocking=1)
    echo "i386-run: fetching qemu-user from $codename-backports for the qemu lane" >&2
    apt-get -qq "${apt[@]}" update >/dev/null || die "apt-get update of $codename-backports failed"
    (cd "$work" && apt-get -qq "${apt[@]}" download "qemu-user/$codename-backports" >/dev/null) ||
        die "apt-get download of qemu-user from $codename-backports failed"
    dpkg-deb -x "$work"/qemu-user_*.deb "$work/root"
    [ -x "$work/root/usr/bin/qemu-i386" ] || die "the qemu-user package holds no usr/bin/qemu-i386"
    mkdir -p "$cache_dir"
    install -m 0755 "$work/root/usr/bin/qemu-i386" "$qemu.new"
    mv "$qemu.new" "$qemu"
    echo "i386-run: cached $("$qemu" --version | head -n 1) as $qemu" >&2
}

# Inside the namespace: its own binfmt_misc, with i386 ELF executables and shared objects
# (ET_EXEC, ET_DYN; machine 3) run by qemu-i386. F opens the emulator now, P keeps argv[0].
enter_namespace() {
    [ -x "$qemu" ] || die "qemu-i386 is not cached at $qemu: run scripts/setup.sh (or $0 --setup) first"
    check_kernel
    command -v unshare >/dev/null || die "unshare (util-linux) is missing"
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    export LUMIVEX_I386_RULE=":$entry:M::$magic:$mask:$qemu:FP"
    # shellcheck disable=SC2016
    exec unshare --user --map-root-user --mount --fork --kill-child -- bash -c '
        mount -t binfmt_misc binfmt_misc '"$binfmt"' 2>/dev/null ||
            { echo "i386-run: cannot mount a binfmt_misc of its own in a user namespace" >&2; exit 125; }
        printf "%s" "$LUMIVEX_I386_RULE" >'"$binfmt"'/register ||
            { echo "i386-run: cannot register qemu-i386 for i386 programs" >&2; exit 125; }
        unset LUMIVEX_I386_RULE
        exec "$@"' i386-run "$@"
}

# True natively, and inside a namespace of this script.
ready() { [ "$(lane)" = native ] || [ -e "$binfmt/$entry" ]; }

case ${1:-} in
    --lane) lane ;;
    --ready) ready ;;
    --setup) if [ "$(lane)" = qemu ]; then check_kernel; fetch_qemu; fi ;;
    "") die "usage: $0 COMMAND [ARGS...] | --lane | --setup" ;;
    *)
        if ready; then exec "$@"; fi
        enter_namespace "$@"
        ;;
esac
