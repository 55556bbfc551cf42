package com.orv.media.audio;

import java.lang.ref.Reference;
import java.util.Objects;

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
 * full; {@link #flush()} and {@link #close()} release it (it then returns 0). After {@link
 * #close()} every method but {@code close} throws {@link IllegalStateException}.
 */
public final class AudioTrackNative implements AutoCloseable {
    static {
        System.loadLibrary("sonora");
    }

    private final NativePeer peer;

    /** Creates a closed stream; {@link #open} sets it up. */
    public AudioTrackNative() {
        peer = new NativePeer(this, nativeCreateTrack(), AudioTrackNative::nativeClose,
                AudioTrackNative::nativeDestroyTrack);
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

    /** Starts or resumes playing. */
    public void start() throws AudioStreamException {
        AudioStreamException.check("start", peer.call(AudioTrackNative::nativeStart));
        Reference.reachabilityFence(this);
    }

    /** Pauses; queued chunks wait and the position is kept. */
    public void pause() throws AudioStreamException {
        AudioStreamException.check("pause", peer.call(AudioTrackNative::nativePause));
        Reference.reachabilityFence(this);
    }

    /** Stops; the position goes back to 0. */
    public void stop() throws AudioStreamException {
        AudioStreamException.check("stop", peer.call(AudioTrackNative::nativeStop));
        Reference.reachabilityFence(this);
    }

    /** Drops every chunk not yet played and releases a writer waiting for room. */
    public void flush() throws AudioStreamException {
        AudioStreamException.check("flush", peer.call(AudioTrackNative::nativeFlush));
        Reference.reachabilityFence(this);
    }

    /** Milliseconds of audio played since the last stop. */
    public long getPositionMillis() throws AudioStreamException {
        long[] position = new long[1];
        AudioStreamException.check("getPosition",
                peer.call(h -> nativeGetPositionInMsec(h, position)));
        Reference.reachabilityFence(this);
        return position[0];
    }

    /** Chunks queued and not yet played (0 when the stream is not open). */
    public int getBuffersPending() {
        int n = peer.call(AudioTrackNative::nativeGetBuffersPending);
        Reference.reachabilityFence(this);
        return n;
    }

    /**
     * Queues a copy of {@code size} bytes of 16-bit little-endian or float samples. Returns
     * {@code size}, or 0 when nothing was queued: the queue was full and {@code blocking} false,
     * or a blocked write was released by {@link #flush()} or {@link #close()}.
     */
    public int write(byte[] data, int offset, int size, boolean blocking)
            throws AudioStreamException {
        Objects.checkFromIndexSize(offset, size, data.length);
        if (size == 0) return 0;
        int n = AudioStreamException.check("write",
                peer.call(h -> nativeWriteByteArray(h, data, offset, size, blocking)));
        Reference.reachabilityFence(this);
        return n;
    }

    /** Queues a copy of {@code count} 16-bit samples; returns {@code count} or 0 as above. */
    public int write(short[] data, int offset, int count, boolean blocking)
            throws AudioStreamException {
        Objects.checkFromIndexSize(offset, count, data.length);
        if (count == 0) return 0;
        int n = AudioStreamException.check("write",
                peer.call(h -> nativeWriteShortArray(h, data, offset, count, blocking)));
        Reference.reachabilityFence(this);
        return n;
    }

    /** Queues a copy of {@code count} float samples; returns {@code count} or 0 as above. */
    public int write(float[] data, int offset, int count, boolean blocking)
            throws AudioStreamException {
        Objects.checkFromIndexSize(offset, count, data.length);
        if (count == 0) return 0;
        int n = AudioStreamException.check("write",
                peer.call(h -> nativeWriteFloatArray(h, data, offset, count, blocking)));
        Reference.reachabilityFence(this);
        return n;
    }

    /**
     * Closes the stream and frees it once no other thread uses it; a blocked {@code write}
     * returns 0. Closing twice is harmless.
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
