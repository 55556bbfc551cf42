#!/usr/bin/env bash
# orv-camera serve under scripts/simcam: ffprobe decodes its stream over TCP and UDP, four
# clients at once, a client that stops reading leaves another's frame rate as it was, and
# credentials are enforced; capture pushes to RTSP and SRT receivers and reconnects to them.
# Every wait is bounded.
# Usage: orv_camera_serve_test.sh SIMCAM_WRAPPER ORV_CAMERA WORKDIR
set -uo pipefail
wrapper=$1
tool=$2
work=$3
mkdir -p "$work"
passed=0
failed=0
server=""
pass() { echo "ok   $1"; passed=$((passed + 1)); }
fail() {
    echo "FAIL $1: $2"
    echo "--- server stderr"; tr '\r' '\n' <"$work/serve.err" | tail -20
    failed=$((failed + 1))
}

# start_server ARGS...: serve on any free port; sets url once it says where (20 s at most).
start_server() {
    rm -f "$work/out.fifo"
    mkfifo "$work/out.fifo"
    "$wrapper" --no-usb -- "$tool" serve --port 0 --size 640x480 --progress "$@" \
        >"$work/out.fifo" 2>"$work/serve.err" &
    server=$!
    exec 3<"$work/out.fifo"
    url=""
    local line
    while read -t 20 -r line <&3; do
        case "$line" in "serving "*) url=${line#serving }; url=${url%% *}; return 0 ;; esac
    done
    return 1
}
# stop_server: Ctrl-C, and the server must be gone within 15 s.
stop_server() {
    if [ -n "$server" ]; then
        kill -INT "$server" 2>/dev/null
        (sleep 15; kill -KILL "$server" 2>/dev/null) &
        local watchdog=$!
        wait "$server"
        local status=$?
        kill "$watchdog" 2>/dev/null
        [ "$status" = 0 ] || fail "serve ends on Ctrl-C" "exit status $status"
    fi
    server=""
    exec 3<&-
}
trap 'stop_server' EXIT

# probe TRANSPORT URL: "codec,width,height,frames" of the first 30 frames, decoded.
probe() {
    timeout 30 ffprobe -v error -rtsp_transport "$1" -select_streams v:0 -count_frames \
        -read_intervals %+#30 -show_entries stream=codec_name,width,height,nb_read_frames \
        -of csv=p=0 "$2" 2>>"$work/probe.err"
}

if start_server; then
    for transport in tcp udp; do
        # UDP loses datagrams when the receiver falls behind on a busy machine: one more try.
        got=$(probe "$transport" "$url")
        [ "$got" = "h264,640,480,30" ] || [ "$transport" = tcp ] || got=$(probe "$transport" "$url")
        [ "$got" = "h264,640,480,30" ] && pass "ffprobe decodes over $transport" \
            || fail "ffprobe decodes over $transport" "got \"$got\""
    done

    # Four clients at once, one capture for all of them.
    clients=()
    for i in 1 2 3 4; do
        probe tcp "$url" >"$work/four.$i" &
        clients+=($!)
    done
    wait "${clients[@]}"
    good=0
    for i in 1 2 3 4; do [ "$(cat "$work/four.$i")" = "h264,640,480,30" ] && good=$((good + 1)); done
    [ "$good" = 4 ] && pass "four clients decode at once" || fail "four clients decode at once" "$good of 4"
else
    fail "serve starts" "no URL within 20 s"
fi
stop_server

# A client that plays over TCP and then reads nothing: its queue fills and it drops frames; a
# second client still gets every frame, counted over three seconds of stream time.
if start_server --bitrate 4000000; then
    python3 - "$url" >"$work/stalled.log" 2>&1 <<'PY' &
import socket, sys, time
url = sys.argv[1]
host, port = url.split("/")[2].split(":")
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
s.connect((host, int(port)))
def ask(n, line, extra=""):
    s.sendall(("%s RTSP/1.0\r\nCSeq: %d\r\n%s\r\n" % (line, n, extra)).encode())
    answer = b""
    while b"\r\n\r\n" not in answer:
        answer += s.recv(1)
    head = answer.decode()
    length = [int(h.split(":")[1]) for h in head.split("\r\n") if h.lower().startswith("content-length")]
    body = s.recv(length[0]).decode() if length else ""
    return head, body
ask(1, "DESCRIBE " + url, "Accept: application/sdp\r\n")
head, _ = ask(2, "SETUP " + url + "/stream=0", "Transport: RTP/AVP/TCP;unicast;interleaved=0-1\r\n")
session = [h.split(":", 1)[1].split(";")[0].strip() for h in head.split("\r\n") if h.lower().startswith("session")][0]
ask(3, "PLAY " + url, "Session: %s\r\n" % session)
print("playing, reading no more", flush=True)
time.sleep(120)  # killed by the test
PY
    stalled=$!
    dropped=0
    for _ in $(seq 60); do  # 30 s at most
        dropped=$(tr '\r' '\n' <"$work/serve.err" | sed -n 's/.*dropped \([0-9]*\).*/\1/p' | tail -1)
        [ "${dropped:-0}" -gt 0 ] && break
        read -t 0.5 -r _ <&3
    done
    [ "${dropped:-0}" -gt 0 ] && pass "a client that stops reading falls behind and drops frames" \
        || fail "a client that stops reading falls behind and drops frames" "no drop in 30 s"
    frames=$(timeout 30 ffprobe -v error -rtsp_transport tcp -select_streams v:0 -count_frames \
        -read_intervals %+3 -show_entries stream=nb_read_frames -of csv=p=0 "$url")
    [ "${frames:-0}" -ge 85 ] && pass "another client meanwhile gets 30 fps" \
        || fail "another client meanwhile gets 30 fps" "${frames:-no} frames in 3 s"
    kill "$stalled" 2>/dev/null
    wait "$stalled" 2>/dev/null
else
    fail "serve starts" "no URL within 20 s"
fi
stop_server

# Credentials: --listen needs them; a wrong password is refused and logged without it.
"$wrapper" --no-usb -- "$tool" serve --port 0 --listen 127.0.0.1 >/dev/null 2>"$work/serve.err"
status=$?
[ "$status" = 2 ] && grep -qF -- "--listen needs credentials" "$work/serve.err" \
    && pass "--listen without credentials is refused" \
    || fail "--listen without credentials is refused" "exit status $status"
printf 'viewer:s3cret-pw\n' >"$work/credentials"
chmod 600 "$work/credentials"
if start_server --listen 127.0.0.1 --credentials "$work/credentials"; then
    with_user() { sed "s|rtsp://|rtsp://$1@|" <<<"$url"; }
    got=$(probe tcp "$(with_user viewer:badpass7)")
    refused_line='refused RTSP client 127.0.0.1: wrong user name or password (user "viewer")'
    if [ -z "$got" ] && grep -qF "$refused_line" "$work/serve.err" && ! grep -q badpass7 "$work/serve.err"; then
        pass "a wrong password is refused and logged without it"
    else
        fail "a wrong password is refused and logged without it" "got \"$got\""
    fi
    got=$(probe tcp "$url")
    [ -z "$got" ] && pass "no credentials: refused" || fail "no credentials: refused" "got \"$got\""
    got=$(probe tcp "$(with_user viewer:s3cret-pw)")
    [ "$got" = "h264,640,480,30" ] && pass "the right credentials: decoded" \
        || fail "the right credentials: decoded" "got \"$got\""
else
    fail "serve with credentials starts" "no URL within 20 s"
fi
stop_server

# capture pushing to a receiving ffmpeg (RTSP "listen" mode, and an SRT listener): what arrives
# decodes, and after the receiver goes away and comes back the push reconnects by itself.
# receive NAME URL: a receiver that keeps 30 frames and ends (30 s at most).
receive() {
    timeout 30 ffmpeg -nostdin -v error $3 -i "$2" -frames:v 30 -c copy -f h264 -y "$work/$1.h264" \
        2>>"$work/receive.err"
    timeout 30 ffprobe -v error -count_frames -show_entries stream=codec_name,width,height,nb_read_frames \
        -of csv=p=0 "$work/$1.h264" 2>>"$work/receive.err"
}
port=$((20000 + RANDOM % 20000))
for target in "rtsp rtsp://127.0.0.1:$port/live -rtsp_flags listen" "srt srt://127.0.0.1:$((port + 1)) ?mode=listener"; do
    read -r kind push_url extra <<<"$target"
    flags=""
    listen_url=$push_url
    case "$extra" in -*) flags=$extra ;; *) listen_url=$push_url$extra ;; esac
    receive "$kind-1" "$listen_url" "$flags" >"$work/$kind-1.probe" &
    receiver=$!
    # I-frames a minute apart: after a reconnect the push asks the camera for one.
    "$wrapper" --no-usb -- "$tool" capture -o "$push_url" --seconds 60 --size 640x480 \
        --iframe-period 60 --no-progress >/dev/null 2>"$work/serve.err" &
    pusher=$!
    wait "$receiver"
    got=$(cat "$work/$kind-1.probe")
    [ "$got" = "h264,640,480,30" ] && pass "push over $kind arrives decodable" \
        || fail "push over $kind arrives decodable" "got \"$got\""
    got=$(receive "$kind-2" "$listen_url" "$flags")
    [ "$got" = "h264,640,480,30" ] && pass "push over $kind comes back after the receiver restarts" \
        || fail "push over $kind comes back after the receiver restarts" "got \"$got\""
    kill -INT "$pusher"
    wait "$pusher"
    grep -q "push lost to $push_url" "$work/serve.err" && pass "push over $kind: the loss is said" \
        || fail "push over $kind: the loss is said" "no line"
done

# The console starts a push (at an I-frame it asks for) and refuses a URL it cannot push to.
push_url=rtsp://127.0.0.1:$((port + 2))/live
receive console "$push_url" "-rtsp_flags listen" >"$work/console.probe" &
receiver=$!
"$wrapper" --no-usb -- "$tool" console --port 0 --size 640x480 --iframe-period 60 \
    >"$work/console.out" 2>"$work/serve.err" &
console=$!
control() { # BODY: the console's answer
    python3 -c 'import sys, urllib.request as u
try: print(u.urlopen(u.Request(sys.argv[1] + "api/control", sys.argv[2].encode(), {"Content-Type": "application/json"}), timeout=10).read().decode())
except u.HTTPError as e: print(e.read().decode())' "$console_url" "$1"
}
console_url=""
for _ in $(seq 40); do  # 20 s at most
    console_url=$(sed -n 's/^console of .* at \(http[^ ]*\) .*/\1/p' "$work/console.out")
    [ -n "$console_url" ] && break
    sleep 0.5
done
# A hundred frames in, past the stream's first I-frame: the push starts mid-stream.
grep -qm1 '"total_frames":[0-9]\{3,\}' < <(timeout 20 curl -sN "${console_url}events") \
    || fail "the console streams" "no frames in 20 s"
got=$(control '{"op":"push","on":true,"url":"http://127.0.0.1/live"}')
grep -qF "url must be an rtsp://, srt:// or rtmp:// URL" <<<"$got" \
    && pass "the console refuses to push to http://" || fail "the console refuses to push to http://" "$got"
got=$(control "{\"op\":\"push\",\"on\":true,\"url\":\"$push_url\"}")
wait "$receiver"
got=$(cat "$work/console.probe")
[ "$got" = "h264,640,480,30" ] && pass "the console's push arrives decodable" \
    || fail "the console's push arrives decodable" "got \"$got\""
kill -INT "$console"
wait "$console"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
