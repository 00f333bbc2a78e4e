#!/bin/busybox sh
# /init of the test machine: loads the HID modules, starts the virtual keyboard through
# uhid, runs the halvex-t44ctl rows and the protocol checks against the real hidraw
# nodes, and reports on the serial console in lines that start with "T44: ".
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp

say() { echo "T44: $*"; }
uptime_s() { cut -d' ' -f1 /proc/uptime; }
finish() {
    say "end $(uptime_s)"
    sync
    reboot -f
}
say "boot $(uptime_s) $(uname -r)"

while IFS= read -r m; do
    insmod "/lib/modules/$m" || say "FAIL insmod $m"
done < /lib/modules/load-order
[ -c /dev/uhid ] || { say "FAIL no /dev/uhid after loading the modules"; finish; }

# Starts the virtual keyboard with its control socket and frame log in $1 and waits (up
# to 20 s) until the kernel shows both of its interfaces.
start_keyboard() {
    mkdir -p "$1"
    halvex-t44-sim --uhid --dir "$1" --frame-log "$1/frames.log" > "$1/sim.out" 2>&1 &
    KEYBOARD=$!
    for _ in $(seq 400); do
        [ "$(grep -l 'HID_ID=0003:00000C45:00005004' /sys/class/hidraw/*/device/uevent 2>/dev/null | wc -l)" -ge 2 ] && return 0
        kill -0 "$KEYBOARD" 2>/dev/null || break
        sleep 0.05
    done
    say "FAIL the keyboard's hidraw nodes did not appear"
    sed 's/^/T44:     | /' "$1/sim.out"
    return 1
}
stop_keyboard() {
    kill "$KEYBOARD"
    wait "$KEYBOARD"
}

if start_keyboard /tmp/kb1; then
    say "keyboard up $(uptime_s)"
    for n in /sys/class/hidraw/*; do say "node ${n##*/}: $(grep HID_NAME "$n/device/uevent")"; done
    . /etc/t44/ctl_rows.sh
    t44_ctl_rows /etc/t44/ctl_rows.txt halvex-t44ctl "halvex-t44-sim ctl /tmp/kb1" /tmp/kb1/frames.log /tmp/kb1 |
        sed 's/^/T44: /'
    stop_keyboard
fi

if start_keyboard /tmp/kb2; then
    protocol_checks --sysfs /sys --dev /dev --control /tmp/kb2/ctl.sock --frame-log /tmp/kb2/frames.log 2>&1 |
        sed 's/^/T44: checks /'
    stop_keyboard
fi

dmesg | grep -iE 'hid|uhid' | sed 's/^/T44: kernel /'
finish
