package com.orv.media.audio;

import java.lang.ref.PhantomReference;
import java.lang.ref.ReferenceQueue;
import java.util.Collections;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
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
 * unreachable without being closed is closed by a daemon thread that watches a reference queue
 * (phantom references exist on every Android version the jar supports).
 */
final class NativePeer {
    private static final ReferenceQueue<Object> FORGOTTEN = new ReferenceQueue<>();
    /** Keeps each watch reachable until its owner is closed or collected. */
    private static final Set<Watch> WATCHES =
            Collections.newSetFromMap(new ConcurrentHashMap<Watch, Boolean>());
    /** Written with every owner at the end of a call, so the owner stays reachable until then. */
    private static volatile Object reachable;

    static {
        Thread reaper = new Thread(NativePeer::closeForgotten, "orv-audio-reaper");
        reaper.setDaemon(true);
        reaper.start();
    }

    /** Watches one owner; refers to the peer, never to the owner. */
    private static final class Watch extends PhantomReference<Object> {
        final NativePeer peer;

        Watch(Object owner, NativePeer peer) {
            super(owner, FORGOTTEN);
            this.peer = peer;
        }
    }

    private final long handle;
    private final LongConsumer closeStream;
    private final LongConsumer destroy;
    /** One for the owner, plus one per call in progress; 0 once the handle is destroyed. */
    private final AtomicInteger uses = new AtomicInteger(1);
    private final AtomicBoolean closed = new AtomicBoolean();
    private final Watch watch;

    /**
     * Takes ownership of {@code handle} for {@code owner}: {@code closeStream} and {@code destroy}
     * are the stream class's native close and destroy.
     */
    NativePeer(Object owner, long handle, LongConsumer closeStream, LongConsumer destroy) {
        if (handle == 0) throw new OutOfMemoryError("no native audio stream");
        this.handle = handle;
        this.closeStream = closeStream;
        this.destroy = destroy;
        this.watch = new Watch(owner, this);
        WATCHES.add(watch);
    }

    /** Keeps {@code owner} reachable up to this point (a call on it must not race its cleanup). */
    static void keepReachable(Object owner) {
        reachable = owner;
        reachable = null;
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
        closeOnce();
    }

    private void closeOnce() {
        if (closed.compareAndSet(false, true)) {
            WATCHES.remove(watch);
            watch.clear();
            closeStream.accept(handle);
            release();
        }
    }

    private static void closeForgotten() {
        for (;;) {
            try {
                Watch w = (Watch) FORGOTTEN.remove();
                w.peer.closeOnce();
            } catch (InterruptedException e) {
                // A daemon thread nobody interrupts on purpose: keep watching.
            } catch (RuntimeException e) {
                // One failing close must not stop the cleanup of the others.
            }
        }
    }
}
