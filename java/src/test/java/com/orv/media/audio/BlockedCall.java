package com.orv.media.audio;

import com.orv.testsupport.HostAudio;
import java.util.concurrent.Callable;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.ExecutionException;
import java.util.function.LongSupplier;

/**
 * A native call on a thread of its own, and a wait until it sleeps on its stream's signal: the
 * call holds its own reference to the stream (use count 2) and its thread is in a futex wait.
 * Nothing else may hold the stream's locks meanwhile.
 */
final class BlockedCall {
    private final CompletableFuture<Integer> result = new CompletableFuture<>();
    private volatile int tid;
    private final Thread thread;

    BlockedCall(Callable<Integer> call) {
        thread = new Thread(() -> {
            tid = HostAudio.threadId();
            try {
                result.complete(call.call());
            } catch (Throwable t) {
                result.completeExceptionally(t);
            }
        });
        thread.start();
    }

    /** Returns once the call waits; {@code useCount} reads the stream's use count. */
    BlockedCall awaitBlocked(LongSupplier useCount) {
        while (tid == 0 || useCount.getAsLong() < 2 || !HostAudio.inFutexWait(tid)) {
            if (result.isDone()) throw new AssertionError("the call returned without blocking");
            Thread.onSpinWait();
        }
        return this;
    }

    int result() throws InterruptedException, ExecutionException {
        int r = result.get();
        thread.join();
        return r;
    }
}
