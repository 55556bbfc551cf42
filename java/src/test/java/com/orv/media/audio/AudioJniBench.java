package com.orv.media.audio;

import com.orv.testsupport.HostAudio;

/**
 * Time per call of nativeWriteShortArray and nativeReadShortArray with 20 ms chunks (1920
 * samples, 3840 bytes), on the manual clock so that only the call is measured: writes go to a
 * queue long enough for a whole batch (flushed between batches, untimed), reads find every
 * buffer ready (filled between batches, untimed). Run with the "manual" back end.
 */
public final class AudioJniBench {
    private static final int CHUNK = 1920;
    private static final int BATCH = 500;

    private AudioJniBench() {}

    public static void main(String[] args) {
        int batches = args.length > 0 ? Integer.parseInt(args[0]) : 40;
        HostAudio.setBackend("manual");
        HostAudio.setCaptureSource("counter");
        report("nativeWriteShortArray", writes(batches), batches);
        report("nativeReadShortArray", reads(batches), batches);
    }

    private static void report(String name, long[] nanos, int batches) {
        java.util.Arrays.sort(nanos);
        double median = nanos[nanos.length / 2] / (double) BATCH;
        double best = nanos[0] / (double) BATCH;
        System.out.printf("%s, %d samples per call: median %.0f ns/call, best %.0f ns/call (%d batches of %d)%n",
                name, CHUNK, median, best, batches, BATCH);
    }

    private static long[] writes(int batches) {
        long h = AudioTrackNative.nativeCreateTrack();
        check(AudioTrackNative.nativeOpen(h, 2, 48000, false, BATCH));
        short[] chunk = new short[CHUNK];
        long[] out = new long[batches];
        for (int b = -5; b < batches; b++) { // 5 warm-up batches
            long t0 = System.nanoTime();
            for (int i = 0; i < BATCH; i++) {
                if (AudioTrackNative.nativeWriteShortArray(h, chunk, 0, CHUNK, false) != CHUNK) {
                    throw new IllegalStateException("write refused");
                }
            }
            long t1 = System.nanoTime();
            if (b >= 0) out[b] = t1 - t0;
            check(AudioTrackNative.nativeFlush(h));
        }
        AudioTrackNative.nativeDestroyTrack(h);
        return out;
    }

    private static long[] reads(int batches) {
        long h = AudioRecordNative.nativeCreateRecord();
        check(AudioRecordNative.nativeOpen(h, 2, 48000, false, BATCH + 1));
        check(AudioRecordNative.nativeStart(h));
        short[] chunk = new short[CHUNK];
        long[] out = new long[batches];
        for (int b = -5; b < batches; b++) {
            HostAudio.advance(20 * BATCH); // BATCH capture buffers of 20 ms: 1920 samples each
            long t0 = System.nanoTime();
            for (int i = 0; i < BATCH; i++) {
                if (AudioRecordNative.nativeReadShortArray(h, chunk, 0, CHUNK, false) != CHUNK) {
                    throw new IllegalStateException("short read");
                }
            }
            long t1 = System.nanoTime();
            if (b >= 0) out[b] = t1 - t0;
        }
        AudioRecordNative.nativeDestroyRecord(h);
        return out;
    }

    private static void check(int result) {
        if (result != 0) throw new IllegalStateException("native result " + result);
    }
}
