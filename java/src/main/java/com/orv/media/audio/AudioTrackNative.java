package com.orv.media.audio;

/**
 * Plays linear PCM through the platform's OpenSL ES: each {@code write} queues a copy of one
 * chunk; at most {@code numBuffers} chunks wait to be played.
 *
 * <pre>{@code
 * try (AudioTrackNative track = new AudioTrackNative()) {
 *     track.open(2, 48000, false, 4);
 *     track.start();
 *     track.write(samples, 0, samples.length, true);
 * }
 * }</pre>
 *
 * <p>Every method may be called from any thread. A blocking {@code write} waits while the queue is
 * full, until a queued chunk has been played and its place is free; only {@link #flush()} and
 * {@link #close()} release it earlier (it then returns 0). A chunk the platform refuses to queue
 * is an {@link AudioStreamException}, never a silent 0. After {@link #close()} every method but
 * {@code close} throws {@link IllegalStateException}.
 */
public final class AudioTrackNative extends AudioStream {
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
            nativeDestroyTrack(h);
        }
    };

    /** Creates a closed stream; {@link #open} sets it up. */
    public AudioTrackNative() {
        super(nativeCreateTrack(), NATIVES);
    }

    /**
     * Queues a copy of {@code size} bytes of 16-bit little-endian or float samples. Returns
     * {@code size}, or 0 when nothing was queued: the queue was full and {@code blocking} false,
     * or a blocked write was released by {@link #flush()} or {@link #close()}.
     *
     * @throws AudioStreamException {@link AudioStreamException#ERROR_UNAVAILABLE} when the stream
     *     is not open, was closed while the write waited, or the platform refused the chunk
     * @throws IndexOutOfBoundsException when the range does not lie within {@code data}
     */
    public int write(byte[] data, int offset, int size, boolean blocking)
            throws AudioStreamException {
        checkRange(data.length, offset, size);
        if (size == 0) return 0;
        return call("write", h -> nativeWriteByteArray(h, data, offset, size, blocking));
    }

    /** Queues a copy of {@code count} 16-bit samples; returns {@code count} or 0 as above. */
    public int write(short[] data, int offset, int count, boolean blocking)
            throws AudioStreamException {
        checkRange(data.length, offset, count);
        if (count == 0) return 0;
        return call("write", h -> nativeWriteShortArray(h, data, offset, count, blocking));
    }

    /** Queues a copy of {@code count} float samples; returns {@code count} or 0 as above. */
    public int write(float[] data, int offset, int count, boolean blocking)
            throws AudioStreamException {
        checkRange(data.length, offset, count);
        if (count == 0) return 0;
        return call("write", h -> nativeWriteFloatArray(h, data, offset, count, blocking));
    }

    /**
     * Plays {@code numBuffers} buffers of {@code bufferMs} ms of silence on a stream of its own
     * and reports whether opening, starting and stopping succeeded: 0, or the negative result of
     * the step that failed.
     */
    public static int selfTest(
            int channelCount, int sampleRate, boolean useFloat, int bufferMs, int numBuffers) {
        return nativeTest(channelCount, sampleRate, useFloat, bufferMs, numBuffers);
    }

    static native long nativeCreateTrack();

    static native void nativeDestroyTrack(long handle);

    static native int nativeOpen(
            long handle, int channelCount, int sampleRate, boolean useFloat, int numBuffers);

    static native void nativeClose(long handle);

    static native int nativeStart(long handle);

    static native int nativeStop(long handle);

    static native int nativePause(long handle);

    static native int nativeFlush(long handle);

    static native int nativeGetPositionInMsec(long handle, long[] position);

    static native int nativeGetBuffersPending(long handle);

    static native int nativeWriteByteArray(
            long handle, byte[] data, int offset, int size, boolean blocking);

    static native int nativeWriteShortArray(
            long handle, short[] data, int offset, int count, boolean blocking);

    static native int nativeWriteFloatArray(
            long handle, float[] data, int offset, int count, boolean blocking);

    static native int nativeTest(
            int channelCount, int sampleRate, boolean useFloat, int bufferMs, int numBuffers);
}
