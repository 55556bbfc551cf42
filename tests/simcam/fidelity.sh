#!/usr/bin/env bash
# Stock tools against the simulated node, through scripts/simcam: v4l2-ctl lists what the
# configuration offers and streams 60 frames, which ffprobe decodes with the committed size,
# profile and I-frame period; GStreamer's v4l2src streams it; with a JVM, Java sees the node too.
# Usage: fidelity.sh SIMCAM_WRAPPER CONFIG WORKDIR [JAVA]
set -euo pipefail
wrapper=$1
config=$2
work=$3
java=${4:-}
mkdir -p "$work"
fail=0
run() { "$wrapper" --config "$config" -- "$@"; }
expect() {  # expect NAME EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL $1"
        echo "--- expected"; echo "$2"
        echo "--- actual"; echo "$3"
        fail=1
    else
        echo "ok   $1"
    fi
}
contains() {  # contains NAME TEXT LINE...
    local name=$1 text=$2
    shift 2
    for line in "$@"; do
        if ! grep -qF -- "$line" <<<"$text"; then
            echo "FAIL $name: missing \"$line\""
            echo "$text"
            fail=1
            return
        fi
    done
    echo "ok   $name"
}

expect "list-formats-ext" "$(printf '%s\n' \
    "ioctl: VIDIOC_ENUM_FMT" \
    "	Type: Video Capture" \
    "" \
    "	[0]: 'H264' (H.264, compressed)" \
    "		Size: Discrete 640x480" \
    "			Interval: Discrete 0.067s (15.000 fps)" \
    "			Interval: Discrete 0.033s (30.000 fps)" \
    "		Size: Discrete 320x240" \
    "			Interval: Discrete 0.033s (30.000 fps)")" \
    "$(run v4l2-ctl -d /dev/video0 --list-formats-ext)"

contains "all" "$(run v4l2-ctl -d /dev/video0 --all)" \
    "Driver name      : uvcvideo" "Card type        : ORV USB Camera" \
    "Width/Height      : 640/480" "Pixel Format      : 'H264' (H.264)" \
    "Frames per second: 15.000 (15/1)"

expect "list-ctrls" "$(printf '%s\n' \
    "                     brightness 0x00980900 (int)    : min=-64 max=64 step=1 default=0 value=0" \
    "     focus_automatic_continuous 0x009a090c (bool)   : default=1 value=1" \
    "                      pan_speed 0x009a0920 (int)    : min=-24 max=24 step=1 default=0 value=0")" \
    "$(run v4l2-ctl -d /dev/video0 --list-ctrls | sed 's/[[:space:]]*$//')"

rm -f "$work/stream.h264" "$work/trace.txt"
"$wrapper" --config "$config" --trace "$work/trace.txt" -- \
    v4l2-ctl -d /dev/video0 --stream-mmap --stream-count=60 --stream-to="$work/stream.h264" \
    >/dev/null 2>&1 || { echo "FAIL stream: v4l2-ctl failed"; fail=1; }
expect "ffprobe stream" "$(printf '%s\n' codec_name=h264 profile=Main width=640 height=480 nb_read_frames=60)" \
    "$(ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=codec_name,profile,width,height,nb_read_frames -of default=nw=1 \
        "$work/stream.h264")"
# I-frame period 1 s at 15 frames a second: an IDR every 15 frames.
expect "ffprobe key frames" "0 15 30 45" \
    "$(ffprobe -v error -select_streams v:0 -show_entries frame=key_frame -of csv=p=0 \
        "$work/stream.h264" | awk '$1 == 1 { printf "%s%d", n++ ? " " : "", NR - 1 }')"
contains "trace file" "$(cat "$work/trace.txt")" \
    "REQBUFS /dev/video0 count=4 memory=1 granted=4 -> 0" "STREAMON /dev/video0 -> 0"
# The default configuration as printed for users to edit loads as it stands.
"$wrapper" --print-config >"$work/printed.json"
contains "print-config loads" "$("$wrapper" --config "$work/printed.json" -- v4l2-ctl -d /dev/video0 \
    --list-formats-ext)" "Size: Discrete 1920x1080"

# GStreamer's v4l2src streams from a copy (dup) of the node's descriptor.
if command -v gst-launch-1.0 >/dev/null; then
    expect "gst-launch v4l2src" "60" "$(run gst-launch-1.0 -v v4l2src device=/dev/video0 \
        num-buffers=60 ! h264parse ! fakesink silent=false 2>&1 | grep -c 'chain')"
else
    echo "FAIL gst-launch-1.0 missing (Debian gstreamer1.0-tools: scripts/install-deps)"
    fail=1
fi
if [ -n "$java" ]; then
    rm -f "$work/jvm-trace.txt"
    expect "jvm" "$(printf '%s\n' "rdev 81:0 regular false video1 false" \
        "MAJOR=81 MINOR=0 DEVNAME=video0" "opened")" \
        "$("$wrapper" --config "$config" --trace "$work/jvm-trace.txt" -- \
            "$java" "$(dirname "$0")/NodeFromJava.java" 2>&1)"
    contains "jvm trace" "$(cat "$work/jvm-trace.txt")" "OPEN /dev/video0 flags=0x0 -> " \
        "CLOSE /dev/video0 -> 0"
fi
exit $fail
