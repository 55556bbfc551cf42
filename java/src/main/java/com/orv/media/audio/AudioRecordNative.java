package com.orv.media.audio;

/**
 * Records linear PCM from the default audio input through the platform's OpenSL ES, in 20 ms
 * buffers that wait for {@code read}; at most {@code numBuffers} are held.
 *
 * <pre>{@code
 * try (AudioRecordNative record = new AudioRecordNative()) {
 *     record.open(1, 48000, false, 4);
 *     record.start();
 *     int got = record.read(samples, 0, samples.length, true);
 * }
 * }</pre>
 *
 * <p>Every method may be called from any thread; reads are served one at a time in arrival
 * order. A blocking {@code read} waits until the whole request arrived; {@link #flush()} and
 * {@link #close()} release it with the samples it had before it started waiting. A {@code read}
 * after a {@link #flush()} on a recording stream resumes capture: the flush drops what was
 * captured, not the recording. {@link #stop()} keeps the buffers already captured for later
 * reads and drops the one being filled. After {@link #close()} every method but {@code close}
 * throws {@link IllegalStateException}.
 */
public final class AudioRecordNative extends AudioStream {
    static {
        System.loadLibrary("sonora");
    }

    private static final Natives NATIVES = new Natives() {
        @Override
        public int open(long h, int channelCount, int sampleRate, boolean useFloat, int numBuffers) {
            return nativeOpen(h, channelCount, sampleRate, useFloat, numBuffers);
        }

        @Override
        public int start(long h) {
            return nativeStart(h);
        }

        @Override
        public int stop(long h) {
            return nativeStop(h);
        }

        @Override
        public int pause(long h) {
            return nativePause(h);
        }

        @Override
        public int flush(long h) {
            return nativeFlush(h);
        }

        @Override
        public int getPositionInMsec(long h, long[] position) {
            return nativeGetPositionInMsec(h, position);
        }

        @Override
        public int getBuffersPending(long h) {
            return nativeGetBuffersPending(h);
        }

        @Override
        public void close(long h) {
            nativeClose(h);
        }

        @Override
        public void destroy(long h) {
            nativeDestroyRecord(h);
        }
    };

    /** Creates a closed stream; {@link #open} sets it up. */
    public AudioRecordNative() {
        super(nativeCreateRecord(), NATIVES);
    }

    /**
     * Reads up to {@code size} captured bytes into {@code data}. Not blocking, it returns what was
     * ready; blocking, it waits for all of them unless released by {@link #flush()} or {@link
     * #close()}.
     */
    public int read(byte[] data, int offset, int size, boolean blocking)
            throws AudioStreamException {
        checkRange(data.length, offset, size);
        if (size == 0) return 0;
        return call("read", h -> nativeReadByteArray(h, data, offset, size, blocking));
    }

    /** Reads up to {@code count} 16-bit samples, as {@link #read(byte[], int, int, boolean)}. */
    public int read(short[] data, int offset, int count, boolean blocking)
            throws AudioStreamException {
        checkRange(data.length, offset, count);
        if (count == 0) return 0;
        return call("read", h -> nativeReadShortArray(h, data, offset, count, blocking));
    }

    /** Reads up to {@code count} float samples, as {@link #read(byte[], int, int, boolean)}. */
    public int read(float[] data, int offset, int count, boolean blocking)
            throws AudioStreamException {
        checkRange(data.length, offset, count);
        if (count == 0) return 0;
        return call("read", h -> nativeReadFloatArray(h, data, offset, count, blocking));
    }

    /**
     * Records {@code numBuffers} × {@code bufferMs} ms of audio on a stream of its own and reports
     * whether opening, starting and stopping succeeded: 0, or the negative result of the step that
     * failed.
     */
    public static int selfTest(
            int channelCount, int sampleRate, boolean useFloat, int bufferMs, int numBuffers) {
        return nativeTest(channelCount, sampleRate, useFloat, bufferMs, numBuffers);
    }

    static native long nativeCreateRecord();

    static native void nativeDestroyRecord(long handle);

    static native int nativeOpen(
            long handle, int channelCount, int sampleRate, boolean useFloat, int numBuffers);

    static native void nativeClose(long handle);

    static native int nativeStart(long handle);

    static native int nativeStop(long handle);

    static native int nativePause(long handle);

    static native int nativeFlush(long handle);

    static native int nativeGetPositionInMsec(long handle, long[] position);

    static native int nativeGetBuffersPending(long handle);

    static native int nativeReadByteArray(
            long handle, byte[] data, int offset, int size, boolean blocking);

    static native int nativeReadShortArray(
            long handle, short[] data, int offset, int count, boolean blocking);

    static native int nativeReadFloatArray(
            long handle, float[] data, int offset, int count, boolean blocking);

    static native int nativeTest(
            int channelCount, int sampleRate, boolean useFloat, int bufferMs, int numBuffers);
}
