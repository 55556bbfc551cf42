package com.orv.media.audio;

import java.lang.ref.Cleaner;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.function.LongConsumer;
import java.util.function.LongToIntFunction;

/**
 * The native handle of one stream and the count of the calls that use it.
 *
 * <p>The handle is freed only when its owner has closed it and no call is using it any more, so a
 * native call never receives a handle that was already destroyed, even when another thread closes
 * the stream meanwhile. Closing first closes the native stream, which releases callers blocked in a
 * read or write; the handle itself goes when the last of them returns. An owner that becomes
 * unreachable without being closed is closed by the cleaner.
 */
final class NativePeer {
    private static final Cleaner CLEANER = Cleaner.create();

    private final long handle;
    private final LongConsumer closeStream;
    private final LongConsumer destroy;
    /** One for the owner, plus one per call in progress; 0 once the handle is destroyed. */
    private final AtomicInteger uses = new AtomicInteger(1);
    private final AtomicBoolean closed = new AtomicBoolean();
    private final Cleaner.Cleanable cleanable;

    /**
     * Takes ownership of {@code handle} for {@code owner}: {@code closeStream} and {@code destroy}
     * are the stream class's native close and destroy.
     */
    NativePeer(Object owner, long handle, LongConsumer closeStream, LongConsumer destroy) {
        if (handle == 0) throw new OutOfMemoryError("no native audio stream");
        this.handle = handle;
        this.closeStream = closeStream;
        this.destroy = destroy;
        this.cleanable = CLEANER.register(owner, this::closeOnce);
    }

    /** Runs {@code op} with the handle, which stays valid until {@code op} returns. */
    int call(LongToIntFunction op) {
        long h = acquire();
        try {
            return op.applyAsInt(h);
        } finally {
            release();
        }
    }

    /** Begins a call: the handle, valid until the matching {@link #release()}. */
    long acquire() {
        for (;;) {
            int n = uses.get();
            if (n == 0 || closed.get()) throw new IllegalStateException("audio stream is closed");
            if (uses.compareAndSet(n, n + 1)) break;
        }
        if (closed.get()) {
            release();
            throw new IllegalStateException("audio stream is closed");
        }
        return handle;
    }

    /** Ends a call begun by {@link #acquire()}. */
    void release() {
        if (uses.decrementAndGet() == 0) destroy.accept(handle);
    }

    long handle() {
        return handle;
    }

    boolean isClosed() {
        return closed.get();
    }

    /** Closes the stream and gives the handle up; later calls throw IllegalStateException. */
    void close() {
        cleanable.clean();
    }

    private void closeOnce() {
        if (closed.compareAndSet(false, true)) {
            closeStream.accept(handle);
            release();
        }
    }
}
