package com.orv.media.audio;

import java.lang.ref.Reference;
import java.util.Objects;

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
 * {@link #close()} release it with the samples it had before it started waiting. After {@link
 * #close()} every method but {@code close} throws {@link IllegalStateException}.
 */
public final class AudioRecordNative implements AutoCloseable {
    static {
        System.loadLibrary("sonora");
    }

    private final NativePeer peer;

    /** Creates a closed stream; {@link #open} sets it up. */
    public AudioRecordNative() {
        peer = new NativePeer(this, nativeCreateRecord(), AudioRecordNative::nativeClose,
                AudioRecordNative::nativeDestroyRecord);
    }

    /**
     * Sets the stream up, stopped, for interleaved frames of {@code channelCount} samples at
     * {@code sampleRate} Hz, 16-bit integers or 32-bit floats. Opening an open stream closes it
     * first.
     */
    public void open(int channelCount, int sampleRate, boolean useFloat, int numBuffers)
            throws AudioStreamException {
        AudioStreamException.check("open", peer.call(
                h -> nativeOpen(h, channelCount, sampleRate, useFloat, numBuffers)));
        Reference.reachabilityFence(this);
    }

    /** Starts or resumes recording. */
    public void start() throws AudioStreamException {
        AudioStreamException.check("start", peer.call(AudioRecordNative::nativeStart));
        Reference.reachabilityFence(this);
    }

    /** Pauses recording; the position is kept. */
    public void pause() throws AudioStreamException {
        AudioStreamException.check("pause", peer.call(AudioRecordNative::nativePause));
        Reference.reachabilityFence(this);
    }

    /** Stops recording; the position goes back to 0. */
    public void stop() throws AudioStreamException {
        AudioStreamException.check("stop", peer.call(AudioRecordNative::nativeStop));
        Reference.reachabilityFence(this);
    }

    /** Drops every captured buffer not yet read and releases a waiting reader. */
    public void flush() throws AudioStreamException {
        AudioStreamException.check("flush", peer.call(AudioRecordNative::nativeFlush));
        Reference.reachabilityFence(this);
    }

    /** Milliseconds of audio recorded since the last stop. */
    public long getPositionMillis() throws AudioStreamException {
        long[] position = new long[1];
        AudioStreamException.check("getPosition",
                peer.call(h -> nativeGetPositionInMsec(h, position)));
        Reference.reachabilityFence(this);
        return position[0];
    }

    /** Captured buffers waiting to be read (0 when the stream is not open). */
    public int getBuffersPending() {
        int n = peer.call(AudioRecordNative::nativeGetBuffersPending);
        Reference.reachabilityFence(this);
        return n;
    }

    /**
     * Reads up to {@code size} captured bytes into {@code data}. Not blocking, it returns what was
     * ready; blocking, it waits for all of them unless released by {@link #flush()} or {@link
     * #close()}.
     */
    public int read(byte[] data, int offset, int size, boolean blocking)
            throws AudioStreamException {
        Objects.checkFromIndexSize(offset, size, data.length);
        if (size == 0) return 0;
        int n = AudioStreamException.check("read",
                peer.call(h -> nativeReadByteArray(h, data, offset, size, blocking)));
        Reference.reachabilityFence(this);
        return n;
    }

    /** Reads up to {@code count} 16-bit samples, as {@link #read(byte[], int, int, boolean)}. */
    public int read(short[] data, int offset, int count, boolean blocking)
            throws AudioStreamException {
        Objects.checkFromIndexSize(offset, count, data.length);
        if (count == 0) return 0;
        int n = AudioStreamException.check("read",
                peer.call(h -> nativeReadShortArray(h, data, offset, count, blocking)));
        Reference.reachabilityFence(this);
        return n;
    }

    /** Reads up to {@code count} float samples, as {@link #read(byte[], int, int, boolean)}. */
    public int read(float[] data, int offset, int count, boolean blocking)
            throws AudioStreamException {
        Objects.checkFromIndexSize(offset, count, data.length);
        if (count == 0) return 0;
        int n = AudioStreamException.check("read",
                peer.call(h -> nativeReadFloatArray(h, data, offset, count, blocking)));
        Reference.reachabilityFence(this);
        return n;
    }

    /**
     * Closes the stream and frees it once no other thread uses it; a blocked {@code read}
     * returns. Closing twice is harmless.
     */
    @Override
    public void close() {
        peer.close();
    }

    /** The native handle, valid until the stream is closed and no call uses it (package tests). */
    long nativeHandle() {
        return peer.handle();
    }

    /** True once {@link #close()} was called. */
    public boolean isClosed() {
        return peer.isClosed();
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
