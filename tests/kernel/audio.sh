#!/bin/sh
# orv-audio on snd-aloop, in the guest (busybox sh): what plays into the loopback's playback
# side (hw:Loopback,0,0) comes out of its capture side (hw:Loopback,1,0) sample for sample.
# Usage: audio.sh CASE; cases below, one a function. Fails (exit 1) with the reason.
set -u
PLAY=hw:Loopback,0,0
CAPTURE=hw:Loopback,1,0
PLAY_STATUS=/proc/asound/Loopback/pcm0p/sub0/status
CAPTURE_STATUS=/proc/asound/Loopback/pcm1c/sub0/status
FORMAT="--rate 48000 --channels 1 --no-progress"

fail() { echo "FAIL: $*"; exit 1; }

# wait_running STATUS_FILE: waits (10 s at most) until that side of the loopback runs.
wait_running() {
    for _ in $(seq 200); do
        grep -q RUNNING "$1" 2>/dev/null && return 0
        sleep 0.05
    done
    fail "$1 does not say RUNNING"
}

# check_tone WAV FREQ SECONDS GAPS: the 16-bit mono 48 kHz WAV holds a tone of FREQ Hz (within
# 0.5 %) at half of full scale (within 2 %), SECONDS long within one period of the tone, broken
# by GAPS silences (runs of more than 2 zero samples), with silence around it.
check_tone() {
    # The data chunk's offset and size, from the chunk headers.
    set -- "$1" "$2" "$3" "$4" $(od -A n -t u1 -v -N 512 "$1" | awk '
        { for (i = 1; i <= NF; i++) b[n++] = $i }
        END {
            for (i = 12; i + 8 <= n; i += 8 + s + s % 2) {
                s = b[i+4] + 256 * (b[i+5] + 256 * (b[i+6] + 256 * b[i+7]))
                if (b[i] == 100 && b[i+1] == 97 && b[i+2] == 116 && b[i+3] == 97) { print i + 8, s; exit }
            }
        }')
    [ $# = 6 ] || fail "$1 has no data chunk"
    od -A n -t d2 -v -j "$5" -N "$6" "$1" | awk -v freq="$2" -v secs="$3" -v want_gaps="$4" -v rate=48000 '
        { for (i = 1; i <= NF; i++) {
            v = $i
            if (v != 0) {
                if (first != "" && n - last > 3) {
                    gaps++; silent += n - last - 1
                    printf "gap of %d samples at sample %d\n", n - last - 1, last + 1
                }
                if (first == "") first = n
                last = n
            }
            if (v > peak) peak = v
            if (n > 0 && prev < 0 && v >= 0) crossings++
            prev = v; n++
        } }
        END {
            if (first == "" || crossings < 2) { print "FAIL: no tone in " n " samples"; exit 1 }
            len = last - first + 1 - silent; f = crossings * rate / len; p = peak / 32768
            printf "tone: %.2f Hz, %d samples (%.4f s) from sample %d, %d gaps, peak %.3f of full scale\n", f, len, len / rate, first, gaps, p
            bad = ""
            if (f < freq * 0.995 || f > freq * 1.005) bad = bad " frequency"
            if (len < secs * rate - rate / freq || len > secs * rate + rate / freq) bad = bad " length"
            if (gaps + 0 != want_gaps) bad = bad " gaps"
            if (p < 0.49 || p > 0.51) bad = bad " level"
            if (bad != "") { print "FAIL: wrong" bad; exit 1 }
        }'
}

# loopback PLAY_ARGS...: `orv-audio play PLAY_ARGS` into the loopback while recording its other
# side into rec.wav. The file played is a 1 kHz tone of 1 s, then 0.3 s of silence: snd-aloop may
# add a few ms of silence to its capture side while the playback side drains, which lands there.
loopback() {
    if [ ! -f tone.wav ]; then
        ORV_OPENSLES_BACKEND=wav ORV_OPENSLES_WAV_OUT=tone1.wav orv-audio tone --freq 1000 \
            --seconds 1 $FORMAT >/dev/null || fail "no tone file"
        ORV_OPENSLES_BACKEND=wav ORV_OPENSLES_WAV_IN=tone1.wav orv-audio record tone.wav \
            --seconds 1.3 $FORMAT >/dev/null || fail "no padded tone file"
    fi
    ORV_OPENSLES_ALSA_DEVICE=$CAPTURE orv-audio record rec.wav --seconds 30 $FORMAT &
    rec=$!
    wait_running $CAPTURE_STATUS
    ORV_OPENSLES_ALSA_DEVICE=$PLAY orv-audio play tone.wav --no-progress "$@" >out ||
        fail "play exited with $?"
    sleep 0.3
    kill -INT $rec
    wait $rec
    cat out
    grep -q "underruns recovered: 0" out || fail "the device ran dry"
}

# The tone comes back whole; paused or stopped for 0.3 s after 0.5 s, it comes back with one
# silence and nothing lost or repeated.
tone() { loopback && check_tone rec.wav 1000 1 0; }
pause() { loopback --pause-at 0.5 && check_tone rec.wav 1000 1 1; }
restart() { loopback --stop-at 0.5 && check_tone rec.wav 1000 1 1; }

# A player stopped (SIGSTOP) for half a second underruns; the underrun is recovered and
# counted, and the tone plays to its end.
underrun() {
    ORV_OPENSLES_ALSA_DEVICE=$PLAY orv-audio tone --seconds 2 $FORMAT >out &
    pid=$!
    wait_running $PLAY_STATUS
    kill -STOP $pid; sleep 0.5; kill -CONT $pid
    wait $pid || fail "tone exited with $?"
    cat out
    grep -q "underruns recovered: [1-9]" out || fail "no underrun counted"
}

# A recorder stopped for half a second overruns; recovered and counted, the file is complete.
overrun() {
    ORV_OPENSLES_ALSA_DEVICE=$CAPTURE orv-audio record rec.wav --seconds 2 $FORMAT >out &
    pid=$!
    wait_running $CAPTURE_STATUS
    kill -STOP $pid; sleep 0.5; kill -CONT $pid
    wait $pid || fail "record exited with $?"
    cat out
    grep -q "(96000 frames)" out || fail "the recording is not 2 s long"
    grep -q "overruns recovered: [1-9]" out || fail "no overrun counted"
}

"$@"
