#!/bin/sh
# simcam-gadget in the guest (busybox sh): `gadget.sh start` mounts gadgetfs, starts the camera
# on dummy_hcd with its control FIFO at /tmp/gadget.ctl and waits (30 s at most) for uvcvideo's
# node; `gadget.sh log` shows what the camera said.
set -u
HERE=$(dirname "$0")
fail() { echo "FAIL: $*"; exit 1; }

case "${1:-}" in
start)
    # No autosuspend: dummy_hcd's resume can outlast a control request's 5 s timeout under
    # TCG on a loaded machine (a device plugged in later takes the default then in force).
    echo -1 >/sys/module/usbcore/parameters/autosuspend
    mkdir -p /dev/gadget
    mount -t gadgetfs gadgetfs /dev/gadget || fail "cannot mount gadgetfs"
    # shellcheck disable=SC2086 # SIMCAM_GADGET_FLAGS (--verbose) is split on purpose
    simcam-gadget ${SIMCAM_GADGET_FLAGS:-} --config "$HERE/gadget.json" --control /tmp/gadget.ctl \
        >/tmp/gadget.log 2>&1 &
    for _ in $(seq 300); do
        [ -e /dev/video0 ] && exit 0
        sleep 0.1
    done
    cat /tmp/gadget.log
    fail "no video node after 30 s"
    ;;
log)
    cat /tmp/gadget.log
    dmesg | grep -i -e suspend -e resum -e timeout -e "Failed to query" | tail -20
    ;;
*)
    echo "usage: gadget.sh start|log"
    exit 2
    ;;
esac
