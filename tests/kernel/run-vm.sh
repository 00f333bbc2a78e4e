#!/usr/bin/env bash
# The kernel test: boots Debian's kernel in qemu (TCG) with an initramfs of busybox, the
# HID modules and the statically linked virtual keyboard, halvex-t44ctl and protocol
# checks; inside, the virtual keyboard makes its two interfaces real HID devices through
# uhid and both halvex-t44ctl and the protocol checks run against the real hidraw nodes.
# Then the same halvex-t44ctl rows run here against the virtual keyboard's sockets, and
# the frames of each row must match those seen in the machine.
#
#   run-vm.sh --sim EXE --ctl EXE --checks EXE --work DIR
#
# Needs qemu-system-x86, linux-image-amd64, busybox-static and cpio (scripts/test
# installs them). Without them it exits 77 (skipped), or fails when
# T44_KERNEL_REQUIRED=1.
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SIM="" CTL="" CHECKS="" WORK=""
while [ $# -gt 1 ]; do
    case "$1" in
    --sim) SIM="$2" ;;
    --ctl) CTL="$2" ;;
    --checks) CHECKS="$2" ;;
    --work) WORK="$2" ;;
    *) echo "run-vm.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift 2
done
[ -n "$SIM" ] && [ -n "$CTL" ] && [ -n "$CHECKS" ] && [ -n "$WORK" ] || { echo "usage: run-vm.sh --sim EXE --ctl EXE --checks EXE --work DIR" >&2; exit 2; }
QEMU_LIMIT="${T44_QEMU_LIMIT:-150}"   # seconds the machine may run at most

now_us() { echo "${EPOCHREALTIME/./}"; }
seconds_since() { awk -v a="$1" -v b="${2:-$(now_us)}" 'BEGIN { printf "%.1f", (b - a) / 1e6 }'; }
T0=$(now_us)

unavailable() {
    echo "kernel test: $*"
    if [ "${T44_KERNEL_REQUIRED:-0}" = 1 ]; then
        echo "kernel test: FAILED (T44_KERNEL_REQUIRED=1)"
        exit 1
    fi
    echo "kernel test: skipped (scripts/test installs qemu-system-x86 linux-image-amd64 busybox-static cpio)"
    exit 77
}

# --- what the machine is made of ---------------------------------------------------
command -v qemu-system-x86_64 > /dev/null || unavailable "qemu-system-x86_64 is not installed"
command -v cpio > /dev/null || unavailable "cpio is not installed"
dpkg-query -W -f='${Status}' busybox-static 2> /dev/null | grep -q "install ok installed" && [ -x /bin/busybox ] ||
    unavailable "busybox-static is not installed"

# The newest installed kernel that has a readable image and the uhid module.
KVER=""
for dir in $(ls -d /lib/modules/*/ 2> /dev/null | sort -V -r); do
    v="$(basename "$dir")"
    if [ -r "/boot/vmlinuz-$v" ] && ls "$dir"kernel/drivers/hid/uhid.ko* > /dev/null 2>&1; then
        KVER="$v"
        break
    fi
done
[ -n "$KVER" ] || unavailable "no kernel with the uhid module under /boot and /lib/modules (linux-image-amd64)"
MODDIR="/lib/modules/$KVER"

# --- the initramfs -----------------------------------------------------------------
rm -rf "$WORK"
ROOT="$WORK/root"
mkdir -p "$ROOT"/{bin,proc,sys,dev,tmp,etc/t44,lib/modules}
cp /bin/busybox "$ROOT/bin/busybox"
# Without their debug information the programs load several times faster: the firmware
# of an unaccelerated machine copies the initramfs slowly.
install_program() { strip -o "$2" "$1" 2> /dev/null || cp "$1" "$2"; }
install_program "$SIM" "$ROOT/bin/halvex-t44-sim"
install_program "$CTL" "$ROOT/bin/halvex-t44ctl"
install_program "$CHECKS" "$ROOT/bin/protocol_checks"
cp "$HERE/init.sh" "$ROOT/init"
cp "$HERE/ctl_rows.sh" "$HERE/ctl_rows.txt" "$ROOT/etc/t44/"
chmod 755 "$ROOT/init" "$ROOT/bin/"*

# A module and, before it, everything it depends on (modules.dep lists them).
module_key() { grep -oE "^kernel/[^:]*/$1\.ko(\.xz|\.zst|\.gz)?:" "$MODDIR/modules.dep" | head -n1 | tr -d ':'; }
with_deps() {
    local deps d
    deps="$(awk -F': *' -v m="$1" '$1 == m { print $2 }' "$MODDIR/modules.dep")"
    for d in $deps; do with_deps "$d"; done
    echo "$1"
}
ORDER=()
for name in hid uhid hid-generic; do
    key="$(module_key "$name")"
    [ -n "$key" ] || unavailable "module $name is not in $MODDIR/modules.dep"
    while IFS= read -r m; do ORDER+=("$m"); done < <(with_deps "$key")
done
: > "$ROOT/lib/modules/load-order"
for m in $(printf '%s\n' "${ORDER[@]}" | awk '!seen[$0]++'); do
    out="$(basename "$m")"
    case "$m" in
    *.ko.xz) out="${out%.xz}"; xz -dc "$MODDIR/$m" > "$ROOT/lib/modules/$out" ;;
    *.ko.zst) out="${out%.zst}"; zstd -qdc "$MODDIR/$m" > "$ROOT/lib/modules/$out" ;;
    *.ko.gz) out="${out%.gz}"; gzip -dc "$MODDIR/$m" > "$ROOT/lib/modules/$out" ;;
    *) cp "$MODDIR/$m" "$ROOT/lib/modules/$out" ;;
    esac || { echo "kernel test: cannot unpack $m"; exit 1; }
    echo "$out" >> "$ROOT/lib/modules/load-order"
done
(cd "$ROOT" && find . | LC_ALL=C sort | cpio -o -H newc -R 0:0 --quiet) > "$WORK/initrd.cpio" ||
    { echo "kernel test: cpio failed"; exit 1; }
T_IMAGE=$(now_us)

# --- the machine -------------------------------------------------------------------
# TCG, not KVM: no acceleration is assumed. No network, no disks, no display: the
# serial console is the only way out, and each of its lines is time-stamped here.
CONSOLE="$WORK/console.log"
T_QEMU=$(now_us)
timeout -k 5 "$QEMU_LIMIT" qemu-system-x86_64 -accel tcg -m 512M -nodefaults -nographic \
    -serial stdio -monitor none -no-reboot \
    -kernel "/boot/vmlinuz-$KVER" -initrd "$WORK/initrd.cpio" \
    -append "console=ttyS0 panic=-1 quiet" < /dev/null 2>&1 |
    while IFS= read -r line; do
        printf '%s %s\n' "$(seconds_since "$T_QEMU")" "${line%$'\r'}"
    done > "$CONSOLE"
QEMU_RC=${PIPESTATUS[0]}
T_END_VM=$(now_us)
# The firmware clears the screen with escape sequences; drop them.
sed -i 's/\x1b\[[0-9;?]*[a-zA-Z]//g; s/\x1bc//g' "$CONSOLE"

t44_lines() { sed -n 's/^[0-9.]* T44: //p' "$CONSOLE"; }
show_console() {
    echo "--- console (last 60 lines of $CONSOLE) ---"
    tail -n 60 "$CONSOLE"
}

FAILED=0
fail() { echo "FAIL: $*"; FAILED=1; }

if [ "$QEMU_RC" = 124 ] || [ "$QEMU_RC" = 137 ]; then
    fail "the machine did not finish within ${QEMU_LIMIT} s"
elif [ "$QEMU_RC" != 0 ]; then
    fail "qemu-system-x86_64 exited with $QEMU_RC"
fi
BOOT_LINE="$(grep -m1 ' T44: boot ' "$CONSOLE")"
if [ -z "$BOOT_LINE" ]; then
    fail "the machine never reached its init script"
    show_console
    exit 1
fi
BOOT_HOST="${BOOT_LINE%% *}"
BOOT_GUEST="$(echo "$BOOT_LINE" | awk '{ print $4 }')"
grep -q ' T44: end ' "$CONSOLE" || fail "the init script did not finish"
t44_lines | grep -E '^FAIL' | while IFS= read -r l; do echo "FAIL (machine): ${l#FAIL }"; done
t44_lines | grep -qE '^FAIL' && FAILED=1

echo "kernel $KVER, modules: $(tr '\n' ' ' < "$ROOT/lib/modules/load-order")"
t44_lines | grep -E '^node ' | sed 's/^/machine: /'

# --- protocol checks in the machine ------------------------------------------------
echo "protocol checks against real hidraw (uhid):"
t44_lines | sed -n 's/^checks /  /p'
CHECKS_SUMMARY="$(t44_lines | sed -n 's/^checks \([0-9]* passed, [0-9]* failed\)$/\1/p' | tail -n1)"
if [ -z "$CHECKS_SUMMARY" ]; then
    fail "the protocol checks gave no summary"
elif ! echo "$CHECKS_SUMMARY" | grep -q ' 0 failed$'; then
    fail "protocol checks in the machine: $CHECKS_SUMMARY"
fi

# --- the same halvex-t44ctl rows over the socket transport ------------------------
HOSTKB="$WORK/host-keyboard"
mkdir -p "$HOSTKB"
"$SIM" --dir "$HOSTKB" --frame-log "$HOSTKB/frames.log" > "$HOSTKB/sim.out" 2>&1 &
HOSTSIM=$!
trap 'kill $HOSTSIM 2> /dev/null' EXIT
for _ in $(seq 200); do [ -e "$HOSTKB/sys/class/hidraw/hidraw1/device/uevent" ] && break; sleep 0.05; done
# shellcheck source=ctl_rows.sh
. "$HERE/ctl_rows.sh"
t44_ctl_rows "$HERE/ctl_rows.txt" "$CTL --virtual $HOSTKB" "$SIM ctl $HOSTKB" "$HOSTKB/frames.log" "$HOSTKB" \
    > "$WORK/host-rows.txt"
kill $HOSTSIM 2> /dev/null
wait $HOSTSIM 2> /dev/null
trap - EXIT

echo "halvex-t44ctl rows (machine = real hidraw, host = sockets):"
ROWS_OK=0 ROWS_FAILED=0 ROWS_SKIPPED=0
while IFS= read -r vmrow; do
    n="$(echo "$vmrow" | awk '{ print $2 }')"
    hostrow="$(grep -m1 "^ctl-row $n " "$WORK/host-rows.txt")"
    read -r _ _ vmstatus vmsha rest <<< "$vmrow"
    read -r _ _ hoststatus hostsha _ <<< "$hostrow"
    if [ "$vmstatus" = skip ] && [ "$hoststatus" = skip ]; then
        verdict="skipped"; ROWS_SKIPPED=$((ROWS_SKIPPED + 1))
    elif [ "$vmstatus" = ok ] && [ "$hoststatus" = ok ] && [ "$vmsha" = "$hostsha" ]; then
        verdict="ok"; ROWS_OK=$((ROWS_OK + 1))
    else
        verdict="FAIL (machine $vmstatus, host $hoststatus, frames ${vmsha} vs ${hostsha})"
        ROWS_FAILED=$((ROWS_FAILED + 1))
    fi
    printf '  %-8s %s\n' "$verdict" "$rest"
done < <(t44_lines | grep -E '^ctl-row ')
grep -E '^    \| ' "$WORK/host-rows.txt" | sed 's/^/  host: /'
t44_lines | grep -E '^    \| ' | sed 's/^/  machine: /'
ROWS_TOTAL=$((ROWS_OK + ROWS_FAILED + ROWS_SKIPPED))
[ "$ROWS_TOTAL" -gt 0 ] || fail "no halvex-t44ctl rows ran in the machine"
[ "$ROWS_TOTAL" = "$(grep -c '^ctl-row ' "$WORK/host-rows.txt")" ] || fail "the machine ran $ROWS_TOTAL rows, the host $(grep -c '^ctl-row ' "$WORK/host-rows.txt")"
[ "$ROWS_FAILED" = 0 ] || fail "$ROWS_FAILED halvex-t44ctl rows differ or failed"

T_END=$(now_us)
echo "times: image $(seconds_since "$T0" "$T_IMAGE") s; machine to init ${BOOT_HOST} s (kernel uptime ${BOOT_GUEST} s);" \
    "machine in all $(seconds_since "$T_QEMU" "$T_END_VM") s; whole test $(seconds_since "$T0" "$T_END") s"
if [ "$FAILED" != 0 ]; then
    show_console
    echo "kernel test: FAILED"
    exit 1
fi
echo "kernel test: protocol checks $CHECKS_SUMMARY; halvex-t44ctl rows $ROWS_OK ok, $ROWS_SKIPPED skipped"
