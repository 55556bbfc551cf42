package com.orv.media.audio;

import com.orv.testsupport.HostAudio;
import java.util.Arrays;

/**
 * Time per call of nativeWriteShortArray and nativeReadShortArray with 20 ms chunks (1920
 * samples, 3840 bytes) against the same stream calls made from C++ on the same stream, batch for
 * batch, in the same run: the difference is what the Java binding adds per call. The manual
 * clock keeps time out of it: writes go to a queue long enough for a whole batch (flushed
 * between batches, untimed), reads find every buffer ready (filled between batches, untimed).
 */
public final class AudioJniBench {
    private static final int CHUNK = 1920;
    private static final int BYTES = CHUNK * 2;
    private static final int BATCH = 500;

    private AudioJniBench() {}

    public static void main(String[] args) {
        int batches = args.length > 0 ? Integer.parseInt(args[0]) : 40;
        HostAudio.setBackend("manual");
        HostAudio.setCaptureSource("counter");
        writes(batches);
        reads(batches);
    }

    private static void report(String name, long[] java, long[] cpp) {
        double j = median(java);
        double c = median(cpp);
        System.out.printf("%s, %d bytes per call: Java %.0f ns, C++ %.0f ns, binding adds %.0f ns"
                + " per call (medians of %d batches of %d)%n", name, BYTES, j, c, j - c,
                java.length, BATCH);
    }

    private static double median(long[] nanos) {
        long[] sorted = nanos.clone();
        Arrays.sort(sorted);
        return sorted[sorted.length / 2] / (double) BATCH;
    }

    private static void writes(int batches) {
        long h = AudioTrackNative.nativeCreateTrack();
        check(AudioTrackNative.nativeOpen(h, 2, 48000, false, BATCH));
        short[] chunk = new short[CHUNK];
        long[] java = new long[batches];
        long[] cpp = new long[batches];
        for (int b = -5; b < batches; b++) { // 5 warm-up batches
            long t0 = System.nanoTime();
            for (int i = 0; i < BATCH; i++) {
                if (AudioTrackNative.nativeWriteShortArray(h, chunk, 0, CHUNK, false) != CHUNK) {
                    throw new IllegalStateException("write refused");
                }
            }
            long t1 = System.nanoTime();
            check(AudioTrackNative.nativeFlush(h));
            long c = HostAudio.timeTrackWrites(h, BATCH, BYTES);
            check(AudioTrackNative.nativeFlush(h));
            if (c < 0) throw new IllegalStateException("write refused");
            if (b >= 0) {
                java[b] = t1 - t0;
                cpp[b] = c;
            }
        }
        AudioTrackNative.nativeDestroyTrack(h);
        report("write", java, cpp);
    }

    private static void reads(int batches) {
        long h = AudioRecordNative.nativeCreateRecord();
        check(AudioRecordNative.nativeOpen(h, 2, 48000, false, BATCH + 1));
        check(AudioRecordNative.nativeStart(h));
        short[] chunk = new short[CHUNK];
        long[] java = new long[batches];
        long[] cpp = new long[batches];
        for (int b = -5; b < batches; b++) {
            HostAudio.advance(20 * BATCH); // BATCH capture buffers of 20 ms: 1920 samples each
            long t0 = System.nanoTime();
            for (int i = 0; i < BATCH; i++) {
                if (AudioRecordNative.nativeReadShortArray(h, chunk, 0, CHUNK, false) != CHUNK) {
                    throw new IllegalStateException("short read");
                }
            }
            long t1 = System.nanoTime();
            HostAudio.advance(20 * BATCH);
            long c = HostAudio.timeRecordReads(h, BATCH, BYTES);
            if (c < 0) throw new IllegalStateException("short read");
            if (b >= 0) {
                java[b] = t1 - t0;
                cpp[b] = c;
            }
        }
        AudioRecordNative.nativeDestroyRecord(h);
        report("read", java, cpp);
    }

    private static void check(int result) {
        if (result != 0) throw new IllegalStateException("native result " + result);
    }
}
