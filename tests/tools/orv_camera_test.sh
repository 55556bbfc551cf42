#!/usr/bin/env bash
# orv-camera under scripts/simcam: what it prints, the exit status of each command, the requests
# that reach the simulated camera, and a captured file that ffprobe decodes. The cameras are on
# the simulated USB bus as well, so listing, USB presence and firmware agree.
# Usage: orv_camera_test.sh SIMCAM_WRAPPER ORV_CAMERA CONFIG_DIR WORKDIR
set -uo pipefail
wrapper=$1
tool=$2
configs=$3
work=$4
mkdir -p "$work"
passed=0
failed=0

# run CONFIG ARGS...: the tool under the wrapper; sets out, err, status (and the trace file).
run() {
    local config=$1
    shift
    local config_args=()
    [ "$config" = default ] || config_args=(--config "$configs/$config")
    rm -f "$work/trace"
    "$wrapper" "${config_args[@]}" --trace "$work/trace" -- "$tool" "$@" >"$work/out" 2>"$work/err"
    status=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}
pass() { echo "ok   $1"; passed=$((passed + 1)); }
fail() {
    echo "FAIL $1: $2"
    echo "--- stdout"; echo "$out"; echo "--- stderr"; echo "$err"
    failed=$((failed + 1))
}
# check NAME STATUS EXPECTED_STDOUT: exit status and the whole of standard output.
check() {
    if [ "$status" != "$2" ]; then fail "$1" "exit status $status, expected $2"
    elif [ "$out" != "$3" ]; then fail "$1" "stdout differs; expected:
$3"
    else pass "$1"; fi
}
# check_err NAME STATUS TEXT: exit status and a line of standard error.
check_err() {
    if [ "$status" != "$2" ]; then fail "$1" "exit status $status, expected $2"
    elif ! grep -qF -- "$3" <<<"$err"; then fail "$1" "stderr lacks \"$3\""
    else pass "$1"; fi
}
# traced NAME TEXT: a request the camera received.
traced() {
    if grep -qF -- "$2" "$work/trace"; then pass "$1"; else fail "$1" "trace lacks \"$2\""; fi
}

header="NODE         TYPE      USB ID    H.264 H.265 ON USB FIRMWARE ID FROM"

run default list
check "list, the default camera" 0 "$header
/dev/video0  camera    2e1a:4c01 yes   no    yes    1.2.34   camera"

[ -z "$err" ] && pass "list keeps the library's log lines to itself" \
    || fail "list keeps the library's log lines to itself" "stderr not empty"
run default list -v
check_err "list -v (after the command) shows them" 0 "open error, fd:-1 dev:/dev/video1"
run default --version
check_err "--version" 0 ""
grep -q '^orv-camera [0-9.]*, libvistara [0-9.]*$' <<<"$out" && pass "--version names both" \
    || fail "--version names both" "stdout differs"

run cameras.json list
check "list, several nodes" 0 "$header
/dev/video1  camera    2e1a:4d02 yes   no    yes    0.2.10   camera
/dev/video2  camera    2e1a:4d02 no    yes   yes    0.2.10   camera
/dev/video3  switchbox 2e1a:5a00 yes   no    yes    0.1.05   camera"

run cameras.json usb
check "usb" 0 "2e1a:4d02 firmware 0.2.10"
run cameras.json usb --dual
check "usb --dual" 0 "2e1a:4d02 firmware 0.2.10"
run cameras.json firmware 2e1a:5a00
check "firmware" 0 "0.1.05"
run cameras.json firmware 2e1a:4c01
check_err "firmware of a device not attached" 3 "orv-camera: no USB device 2e1a:4c01"
run cameras.json reset 2e1a:4d02
check "reset" 0 "reset 2e1a:4d02"

run cameras.json --no-such-option
[ "$status" = 2 ] && pass "unknown option" || fail "unknown option" "exit status $status"
run default
[ "$status" = 2 ] && pass "no command" || fail "no command" "exit status $status"
run default firmware 2e1a
check_err "not a USB id" 2 "orv-camera: not a USB id (vvvv:pppp): 2e1a"
run default capture -d /dev/video0
check_err "capture without a file" 2 "--output is required"

run cameras.json formats -d /dev/video1
check "formats" 0 "/dev/video1
  H.264:
    1280x720   30,25 fps
    640x480    30,15 fps"
run cameras.json formats -d /dev/video2
check "formats, the code-0 format" 0 "/dev/video2
  H.265:
    640x480    30 fps"
run cameras.json formats -d /dev/video4
check_err "formats, neither format" 1 "orv-camera: /dev/video4 offers neither H.264 nor H.265"
run cameras.json formats -d /dev/video6
check_err "formats, a missing node" 3 "orv-camera: cannot open /dev/video6"

run default ptz pan -5
check "ptz start" 0 "moving at speed -5"
traced "ptz start reaches the pan speed" "S_CTRL /dev/video0 id=0x009a0920 value=-5"
run default ptz zoom 0
check "ptz stop" 0 "stopped"
traced "ptz stop reaches the zoom speed" "S_CTRL /dev/video0 id=0x009a090f value=0"
run default ptz roll 1
check_err "ptz, unknown axis" 2 "axis"
run default iframe
check "iframe" 0 "I-frame requested"
check_err "iframe: --unit auto reads the unit from the descriptors" 0 "H.264 unit 12, from the USB descriptors of /dev/video0"
traced "iframe reaches the H.264 unit" "XU /dev/video0 unit=12 selector=9 query=0x01 size=4 data=00 00 00 00"
run default osd -d 0 --command 0x05 --status
check "osd command and status" 0 "sent OSD command 0x05
OSD status: 0 (0x00), the byte the camera reports; its values are the camera firmware's own"
traced "osd command reaches the menu unit" "XU /dev/video0 unit=19 selector=5 query=0x01 size=1 data=05"
run default hdmi
check "hdmi" 0 "HDMI input: 1 (0x01), the byte the camera reports; its values are the camera firmware's own"
run default set -d /dev/video0 --size 1280x720 --fps 15 --profile main --bitrate 800000
check "set" 0 "/dev/video0 set to H.264 1280x720 at 15 fps, profile main, rate control cbr, bit rate 800000, I-frame every 5 s"
run cameras.json set -d /dev/video0
check_err "set, another maker's camera" 3 "orv-camera: cannot open /dev/video0"

# Values checked where they are parsed, settings the camera did not take, and errors with their
# cause. Each row: config; exit status; a fragment of standard error; the arguments (@W is the
# work folder). The last row's output cannot be created: the camera is never opened.
while IFS=';' read -r config code text args; do
    run "$config" ${args//@W/$work}
    check_err "$args" "$code" "${text//@W/$work}"
done <<'ROWS'
default;0;warning: size 1000x700 asked, the camera took 1280x720;set --size 1000x700
default;0;warning: frame rate 8 asked, the camera took;set --fps 08
default;2;--fps must be from 1 to 240;set --fps 1000
default;2;--iframe-period must be from 0 to 65535;set --iframe-period 65536
default;2;--change framerate must be from 1 to 240;capture -o @W/x.h264 --change framerate=0@3
default;2;unknown command 'lst' (did you mean 'list'?);lst
default;2;--command must be from 0 to 255;osd --command 256
default;1;/dev/video0: speed 99999 is outside the camera's pan range;ptz pan 99999
default;3;cannot open /dev/video6: No such file or directory;hdmi -d 6
default;3;cannot open /dev/video6: No such file or directory;osd -d /dev/video6 --status
default;3;cannot open /dev/video5: No such file or directory;capture -d /dev/video5 -o @W/x.h264
default;0;--change bitrate=9000@50 not applied: the capture ended after 5 frames;capture -o @W/x.h264 --frames 5 --change bitrate=9000@50
default;2;orv-camera writes raw H.264, MP4 (.mp4) or Matroska (.mkv), not '@W/x.avi';capture -o @W/x.avi
default;2;orv-camera writes raw H.264, MP4 (.mp4) or Matroska (.mkv), not '@W/x.MOV';capture -o @W/x.MOV
default;2;--listen takes an IPv4 or IPv6 address of this machine, not 'example';console --listen example
default;1;cannot listen on 192.0.2.1 port 0: Cannot assign requested address;console --listen 192.0.2.1 --port 0
default;1;cannot create @W/none/x.h264: No such file or directory;capture -o @W/none/x.h264
ROWS
grep -qF "OPEN /dev/video0" "$work/trace" 2>/dev/null && fail "unwritable output refused first" "the camera was opened" \
    || pass "unwritable output refused first"
run default console --listen 192.0.2.1 --port 0
grep -qF "OPEN /dev/video0" "$work/trace" 2>/dev/null && fail "a foreign --listen address refused first" "the camera was opened" \
    || pass "a foreign --listen address refused first"

# What a capture that fails leaves: the user's file as it was, whatever it is (a file, a FIFO or
# a link named *.mp4, whose reader sees the end), and no new file. Each row: the output's name,
# how it is made, and the test that must hold after a capture from a missing camera.
mkdir -p "$work/kept"
while IFS=';' read -r name make holds; do
    rm -rf "$work/kept"/* "$work/kept"/.[!.]*
    (cd "$work/kept" && eval "$make")
    reader=
    [ -p "$work/kept/$name" ] && { timeout 20 cat "$work/kept/$name" >/dev/null & reader=$!; }
    run default capture -d /dev/video5 -o "$work/kept/$name"
    [ -n "$reader" ] && wait "$reader"
    left=$(cd "$work/kept" && ls -A | tr '\n' ' ')
    if [ "$status" = 3 ] && (cd "$work/kept" && eval "$holds"); then pass "a failed capture leaves $name: $make"
    else fail "a failed capture leaves $name: $make" "status $status, left: $left"; fi
done <<'ROWS'
old.h264;echo earlier >old.h264;[ "$(cat old.h264)" = earlier ] && [ "$(ls -A)" = old.h264 ]
old.mp4;echo earlier >old.mp4;[ "$(cat old.mp4)" = earlier ] && [ "$(ls -A)" = old.mp4 ]
new.h264;true;[ -z "$(ls -A)" ]
new.mp4;true;[ -z "$(ls -A)" ]
pipe.mp4;mkfifo pipe.mp4;[ -p pipe.mp4 ] && [ "$(ls -A)" = pipe.mp4 ]
link.mp4;echo earlier >target && ln -s target link.mp4;[ -L link.mp4 ] && [ "$(cat target)" = earlier ]
ROWS

# A write that fails (a full disk) ends the capture, and the summary says how much reached the
# file rather than that the capture went to it.
run default capture -o /dev/full --frames 5 --no-progress
if [ "$status" = 1 ] && grep -qF "cannot write /dev/full: No space left on device" <<<"$err" &&
    grep -q "; 0 bytes reached /dev/full$" <<<"$out" && ! grep -qF "to /dev/full" <<<"$out"; then
    pass "a full disk: the summary says what reached the file"
else
    fail "a full disk: the summary says what reached the file" "status $status"
fi

# A reader that goes away ends the capture with a message (not SIGPIPE); SIGINT ends it with
# exit status 130 and a file complete up to the last frame.
"$wrapper" -- "$tool" capture -o - --frames 3000 --no-progress 2>"$work/err" | head -c 1000 >/dev/null
status=${PIPESTATUS[0]} err=$(cat "$work/err")
check_err "closed output pipe" 1 "the reader of standard output closed it; the capture stops"
rm -f "$work/int.h264"
"$wrapper" --no-usb -- "$tool" capture -o "$work/int.h264" --seconds 60 --size 640x480 >/dev/null 2>"$work/err" &
for _ in $(seq 100); do [ -s "$work/int.h264" ] && break; sleep 0.1; done
kill -INT $!
wait $!
status=$? err=$(cat "$work/err")
check_err "interrupted capture" 130 "interrupted; $work/int.h264 is complete up to the last frame"

# Capture from the default camera (real-time clock): 45 frames at 640x480, with a bit-rate
# change and an I-frame request on the way, then ffprobe decodes the file.
run default capture -d /dev/video0 -o "$work/capture.h264" --size 640x480 --fps 30 --frames 45 \
    --change bitrate=500000@10 --iframe-at 20 --progress
if [ "$status" = 0 ] && grep -q '^captured 45 frames, [0-9]* bytes in [0-9.]* s ([0-9.]* fps, [0-9.]* kbit/s) to '"$work/capture.h264"'$' <<<"$out"; then
    pass "capture summary"
else
    fail "capture summary" "status $status"
fi
grep -qF "frames 45 " <<<"$err" && pass "capture progress line" || fail "capture progress line" "no final progress line"
traced "capture: bit rate committed while streaming" "XU /dev/video0 unit=12 selector=2 query=0x01 size=46 data=00 00 00 00 20 a1 07 00 ff df"
traced "capture: I-frame requested while streaming" "XU /dev/video0 unit=12 selector=9 query=0x01 size=4"
probe=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,width,height,nb_read_frames -of csv=p=0 "$work/capture.h264")
[ "$probe" = "h264,640,480,45" ] && pass "ffprobe decodes the capture" \
    || fail "ffprobe decodes the capture" "ffprobe gave \"$probe\""

# -o FILE.mp4: a container stamped with the frames' arrival times, so its duration is about 60
# frame intervals (2 s), far from what a player's default rate or a stamp of zero would give.
# Arrival times come from the real-time clock of a machine that may be busy with other suites (a
# reader held off at the first frame gets the next ones in a burst): five intervals either way,
# and one more capture before the check fails.
mp4_ok() {
    run default capture -d /dev/video0 -o "$work/capture.mp4" --size 640x480 --fps 30 --frames 60 --no-progress
    probe=$(ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=codec_name,width,height,nb_read_frames -of csv=p=0 "$work/capture.mp4")
    duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/capture.mp4")
    [ "$probe" = h264,640,480,60 ] &&
        awk -v d="$duration" 'BEGIN { exit !(d >= 55 / 30 && d <= 65 / 30) }'
}
if mp4_ok || mp4_ok; then
    pass "capture -o FILE.mp4: 60 frames over 60 intervals"
else
    fail "capture -o FILE.mp4: 60 frames over 60 intervals" "ffprobe gave \"$probe\", $duration s"
fi
# The MP4 is written in fragments: the first two thirds of it (a disk that filled up) still play.
head -c $(($(stat -c %s "$work/capture.mp4") * 2 / 3)) "$work/capture.mp4" >"$work/cut.mp4"
cut=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$work/cut.mp4" 2>/dev/null)
[ "${cut:-0}" -ge 20 ] 2>/dev/null && pass "a cut MP4 plays up to the cut" \
    || fail "a cut MP4 plays up to the cut" "ffprobe read \"$cut\" frames"

# --listen 0.0.0.0 prints addresses a browser can use (loopback among them), never 0.0.0.0.
"$wrapper" --no-usb -- "$tool" console --listen 0.0.0.0 --port 0 --size 640x480 >"$work/out" 2>"$work/err" &
for _ in $(seq 100); do grep -q "Ctrl-C" "$work/out" && break; sleep 0.1; done
kill -INT $!
wait $!
status=$? out=$(cat "$work/out") err=$(cat "$work/err")
if [ "$status" = 0 ] && grep -q "http://127.0.0.1:[0-9]*/?token=" <<<"$out" && ! grep -qF "0.0.0.0" <<<"$out"; then
    pass "console --listen 0.0.0.0 prints the host's addresses"
else
    fail "console --listen 0.0.0.0 prints the host's addresses" "status $status"
fi

# A stock kernel: no node answers the identity request. The maker's nodes are named from sysfs
# (a foreign camera with H.264 and a node with no USB device behind it are not), and --unit
# auto finds unit 13 in the descriptors.
run stock_kernel.json list
check "stock kernel: list from sysfs" 0 "$header
/dev/video0  camera    2e1a:4d01 yes   no    yes    0.3.00   sysfs, bus 001 device 002
/dev/video2  switchbox 2e1a:5a00 no    yes   yes    0.1.05   sysfs, bus 001 device 004"
run stock_kernel.json capture -o "$work/stock.h264" --seconds 2 --size 640x480 --no-progress
check_err "stock kernel: capture picks the unit from the descriptors" 0 "H.264 unit 13, from the USB descriptors of /dev/video0"
traced "stock kernel: the encoder is set through unit 13" "XU /dev/video0 unit=13 selector=2 query=0x01 size=46"
probe=$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height \
    -of csv=p=0 "$work/stock.h264")
[ "$probe" = "h264,640,480" ] && pass "stock kernel: ffprobe decodes the capture" \
    || fail "stock kernel: ffprobe decodes the capture" "ffprobe gave \"$probe\""
run stock_kernel.json iframe -d /dev/video3
check_err "stock kernel: no descriptors, unit 12 with a warning" 0 "warning: cannot read the USB descriptors of /dev/video3; using unit 12"
traced "stock kernel: the fallback unit is used" "XU /dev/video3 unit=12 selector=9"
run stock_kernel.json set --unit 256
check_err "not a unit" 2 "--unit takes auto or a unit id from 1 to 255, not '256'"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
