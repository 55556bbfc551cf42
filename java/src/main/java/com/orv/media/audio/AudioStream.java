package com.orv.media.audio;

import java.util.function.LongToIntFunction;

/**
 * What playback and capture streams have in common: opening with a PCM format, start, pause,
 * stop, flush, position, pending buffers and close.
 *
 * <p>Every method may be called from any thread. After {@link #close()} every method but {@code
 * close} and {@link #isClosed()} throws {@link IllegalStateException}. A stream that is never
 * closed is closed once it becomes unreachable.
 */
public abstract class AudioStream implements AutoCloseable {
    /** The natives every stream class declares, bound to one class's static natives. */
    interface Natives {
        int open(long handle, int channelCount, int sampleRate, boolean useFloat, int numBuffers);

        int start(long handle);

        int stop(long handle);

        int pause(long handle);

        int flush(long handle);

        int getPositionInMsec(long handle, long[] position);

        int getBuffersPending(long handle);

        void close(long handle);

        void destroy(long handle);
    }

    private final Natives natives;
    private final NativePeer peer;

    AudioStream(long handle, Natives natives) {
        this.natives = natives;
        this.peer = new NativePeer(this, handle, natives::close, natives::destroy);
    }

    /**
     * Sets the stream up, stopped, for interleaved frames of {@code channelCount} samples at
     * {@code sampleRate} Hz, 16-bit integers or 32-bit floats, with a queue of {@code numBuffers}
     * buffers. Opening an open stream closes it first.
     *
     * @throws AudioStreamException {@link AudioStreamException#ERROR_BAD_VALUE} for a negative
     *     argument or a rate above 4294967 Hz; {@link AudioStreamException#ERROR_UNAVAILABLE} when
     *     the platform refuses the format or has no room for another stream
     */
    public void open(int channelCount, int sampleRate, boolean useFloat, int numBuffers)
            throws AudioStreamException {
        call("open", h -> natives.open(h, channelCount, sampleRate, useFloat, numBuffers));
    }

    /** Starts or resumes playing or recording. */
    public void start() throws AudioStreamException {
        call("start", natives::start);
    }

    /** Pauses; the position is kept. */
    public void pause() throws AudioStreamException {
        call("pause", natives::pause);
    }

    /** Stops; the position goes back to 0. */
    public void stop() throws AudioStreamException {
        call("stop", natives::stop);
    }

    /** Drops every buffer not yet played or read, and releases a caller waiting in the stream. */
    public void flush() throws AudioStreamException {
        call("flush", natives::flush);
    }

    /** Milliseconds of audio played or recorded since the last stop. */
    public long getPositionMillis() throws AudioStreamException {
        long[] position = new long[1];
        call("getPosition", h -> natives.getPositionInMsec(h, position));
        return position[0];
    }

    /** Buffers not yet played (playback) or not yet read (capture); 0 when not open. */
    public int getBuffersPending() {
        int n = peer.call(natives::getBuffersPending);
        NativePeer.keepReachable(this);
        return n;
    }

    /**
     * Closes the stream, releasing a caller blocked in it, and frees it once no other thread
     * uses it. Closing twice is harmless.
     */
    @Override
    public void close() {
        peer.close();
    }

    /** True once {@link #close()} was called. */
    public boolean isClosed() {
        return peer.isClosed();
    }

    /**
     * Throws IndexOutOfBoundsException unless {@code offset} and {@code count} are non-negative
     * and the range ends within {@code length} elements.
     */
    static void checkRange(int length, int offset, int count) {
        if (offset < 0 || count < 0 || offset > length - count) {
            throw new IndexOutOfBoundsException(
                    "range [" + offset + ", " + offset + " + " + count + ") out of bounds for length "
                            + length);
        }
    }

    /** The native handle, valid until the stream is closed and no call uses it. */
    long nativeHandle() {
        return peer.handle();
    }

    /**
     * Runs one native with the handle kept alive for the call: its non-negative result, or an
     * exception for a negative one.
     */
    final int call(String operation, LongToIntFunction nativeCall) throws AudioStreamException {
        int result = peer.call(nativeCall);
        NativePeer.keepReachable(this);
        return AudioStreamException.check(operation, result);
    }
}
