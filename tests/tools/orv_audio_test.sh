#!/usr/bin/env bash
# orv-audio through real alsa-lib without a sound card. ALSA_CONFIG_PATH routes "default" to
# the file plugin (playback into a WAV file, capture from a raw file), to a test device that
# underruns once, or to nothing. Each row is a command with its exit status and a line it must
# print; the files it leaves are then read with ffprobe and ffmpeg.
# Usage: orv_audio_test.sh ORV_AUDIO XRUN_PLUGIN WORKDIR
set -uo pipefail
tool=$1
plugin=$2
work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
unset ORV_OPENSLES_BACKEND ORV_OPENSLES_ALSA_DEVICE
passed=0
failed=0

# The audio the capture device gives: a 1 kHz sine at half of full scale (peak -6.0 dBFS,
# RMS -9.0 dBFS), 16-bit mono at 16 kHz and float stereo at 44.1 kHz.
ffmpeg -v error -f lavfi -i "sine=f=1000:r=16000:d=2" -af volume=4 -ac 1 -f s16le in16.raw
ffmpeg -v error -f lavfi -i "sine=f=1000:r=44100:d=2" -af "volume=4,pan=stereo|c0=c0|c1=c0" -f f32le inf32.raw
device() {  # device CONFIG INFILE
    echo "pcm.!default { type file slave.pcm { type null } file \"$work/played.wav\"" \
        "infile \"$work/$2\" format \"wav\" }" >"$1"
}
device s16.conf in16.raw
device f32.conf inf32.raw
echo "pcm_type.orvxrun { lib \"$plugin\" }
pcm.!default { type orvxrun xrun_after 9600 }" >xrun.conf
echo "# no sound device" >none.conf
ffmpeg -v error -f lavfi -i "sine=r=4000:d=0.1" low.wav

# row NAME CONFIG STATUS out|err TEXT [VAR=value...] ARGS...
row() {
    local name=$1 config=$2 want=$3 stream=$4 text=$5
    shift 5
    env ALSA_CONFIG_PATH="$work/$config" "$@" >out 2>err </dev/null
    local status=$?
    if [ "$status" != "$want" ]; then
        echo "FAIL $name: exit status $status, expected $want"
    elif ! grep -qF -- "$text" "$stream"; then
        echo "FAIL $name: std$stream lacks \"$text\""
    else
        echo "ok   $name"
        passed=$((passed + 1))
        return
    fi
    echo "--- stdout"; cat out; echo "--- stderr"; cat err
    failed=$((failed + 1))
}
# probe NAME FILE EXPECTED: codec, rate, channels and frames of a file as ffprobe reads it.
probe() {
    local got
    got=$(ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,duration_ts \
        -of csv=p=0 "$2" 2>&1)
    if [ "$got" = "$3" ]; then echo "ok   $1"; passed=$((passed + 1));
    else echo "FAIL $1: ffprobe reads \"$got\", expected \"$3\""; failed=$((failed + 1)); fi
}
level() {  # level NAME FILE "max_volume: X dB" "mean_volume: Y dB"
    local got
    got=$(ffmpeg -nostats -i "$2" -af volumedetect -f null - 2>&1)
    if grep -qF "$3" <<<"$got" && grep -qF "$4" <<<"$got"; then
        echo "ok   $1"; passed=$((passed + 1))
    else echo "FAIL $1: volumedetect lacks \"$3\" or \"$4\""; failed=$((failed + 1)); fi
}

tone="played 1.00 s (48000 frames) of 48000 Hz, 2 channels, 16-bit from a 440 Hz tone: peak -6.0 dBFS, RMS -9.0 dBFS"
row "tone through ALSA" s16.conf 0 out "$tone; underruns recovered: 0" "$tool" tone --seconds 1
probe "the tone's file has its format and length" played.wav "pcm_s16le,48000,2,48000"
level "the tone's file has its level" played.wav "max_volume: -6.0 dB" "mean_volume: -9.0 dB"
row "an injected underrun is recovered" xrun.conf 0 out "$tone; underruns recovered: 1" \
    "$tool" -v tone --seconds 1
grep -qF "ALSA default: underrun recovered (1 so far)" err &&
    { echo "ok   the underrun is logged"; passed=$((passed + 1)); } ||
    { echo "FAIL the underrun is logged"; failed=$((failed + 1)); }

row "record 16-bit mono" s16.conf 0 out \
    "recorded 0.50 s (8000 frames) of 16000 Hz, 1 channel, 16-bit to rec16.wav: peak -6.0 dBFS, RMS -9.0 dBFS; overruns recovered: 0" \
    "$tool" record rec16.wav --seconds 0.5 --rate 16000 --channels 1
probe "the recording has the requested format and length" rec16.wav "pcm_s16le,16000,1,8000"
level "the recording has the device's level" rec16.wav "max_volume: -6.0 dB" "mean_volume: -9.0 dB"
row "record float stereo" f32.conf 0 out "recorded 0.25 s (11025 frames) of 44100 Hz, 2 channels, float to recf.wav: peak -6.0 dBFS, RMS -9.0 dBFS" \
    "$tool" record recf.wav --seconds 0.25 --rate 44100 --channels 2 --float
probe "the float recording has the requested format and length" recf.wav "pcm_f32le,44100,2,11025"
row "play a recording" s16.conf 0 out "played 0.50 s (8000 frames) of 16000 Hz, 1 channel, 16-bit from rec16.wav: peak -6.0 dBFS, RMS -9.0 dBFS" \
    "$tool" play rec16.wav
cmp -s <(tail -c 16000 rec16.wav) <(tail -c 16000 played.wav) &&
    { echo "ok   the recording reaches the device unchanged"; passed=$((passed + 1)); } ||
    { echo "FAIL the recording reaches the device unchanged"; failed=$((failed + 1)); }
row "selftest" s16.conf 0 out "capture: passed: opened, started, recorded every byte, stopped" \
    "$tool" selftest
grep -qF "playback: passed: opened, played every buffer of silence, stopped" out &&
    { echo "ok   selftest playback"; passed=$((passed + 1)); } ||
    { echo "FAIL selftest playback"; failed=$((failed + 1)); }

# Refusals and wrong command lines.
row "selftest at a rate no stream takes" s16.conf 1 out "playback: failed (-38): the stream did not open" \
    "$tool" selftest --rate 4000
row "play a missing file" s16.conf 3 err "orv-audio: cannot read missing.wav" \
    "$tool" play missing.wav
row "play a file that is no sound" s16.conf 1 err "orv-audio: cannot read s16.conf" \
    "$tool" play s16.conf
row "play a rate the stream refuses" s16.conf 1 err "orv-audio: the playback stream did not open with 4000 Hz, 1 channel, 16-bit" \
    "$tool" play low.wav
row "a sound device that does not open" s16.conf 1 err "orv-audio: the capture stream did not open with 48000 Hz, 2 channels, 16-bit" \
    ORV_OPENSLES_BACKEND=alsa ORV_OPENSLES_ALSA_DEVICE=nosuch "$tool" record x.wav --seconds 1
row "no sound device: the null back end" none.conf 0 err "orv-audio: no sound device; the null back end discards the audio" \
    "$tool" tone --seconds 0.05
row "tone above half the rate" s16.conf 2 err "orv-audio: --freq must be below half of --rate" \
    "$tool" tone --freq 30000
row "record without --seconds" s16.conf 2 err "--seconds is required" "$tool" record x.wav
row "no command" s16.conf 2 err "A subcommand is required" "$tool"
row "a mistyped command in the parser's words" s16.conf 2 err "A subcommand is required" "$tool" plya x
row "a number out of range in the parser's words" s16.conf 2 err \
    "Run with --help for more information." "$tool" tone --amplitude 2
grep -qx -- "orv-audio: --amplitude: Value 2 not in range 0.000000 to 1.000000" err &&
    { echo "ok   the refused number's line"; passed=$((passed + 1)); } ||
    { echo "FAIL the refused number's line"; failed=$((failed + 1)); }

# Ctrl-C ends a recording with a complete file (the null back end records in real time).
env ORV_OPENSLES_BACKEND=null "$tool" record long.wav --seconds 60 --progress >out 2>err &
pid=$!
for _ in $(seq 200); do grep -q pending err && break; sleep 0.05; done
kill -INT "$pid"
wait "$pid"
status=$?
if [ "$status" = 0 ] && grep -qF "; interrupted" out &&
    ffprobe -v error -show_entries stream=codec_name -of csv=p=0 long.wav | grep -qx pcm_s16le; then
    echo "ok   Ctrl-C ends a recording with a complete file"; passed=$((passed + 1))
else
    echo "FAIL Ctrl-C: exit status $status"; cat out err; failed=$((failed + 1))
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
