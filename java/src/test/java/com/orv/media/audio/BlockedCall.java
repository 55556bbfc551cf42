package com.orv.media.audio;

import java.util.concurrent.Callable;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.ExecutionException;
import java.util.function.LongSupplier;

/**
 * A native call on a thread of its own, and a wait until it has begun waiting on its stream's
 * signal (the stream's count of waits begun has grown): a flush or close made afterwards
 * releases it.
 */
final class BlockedCall {
    private final CompletableFuture<Integer> result = new CompletableFuture<>();
    private final Thread thread;

    /** Starts {@code call} and returns once it waits; {@code waitsBegun} reads the stream's count. */
    BlockedCall(Callable<Integer> call, LongSupplier waitsBegun) {
        long before = waitsBegun.getAsLong();
        thread = new Thread(() -> {
            try {
                result.complete(call.call());
            } catch (Throwable t) {
                result.completeExceptionally(t);
            }
        });
        thread.start();
        while (waitsBegun.getAsLong() == before) {
            if (result.isDone()) throw new AssertionError("the call returned without waiting");
            Thread.onSpinWait();
        }
    }

    int result() throws InterruptedException, ExecutionException {
        int r = result.get();
        thread.join();
        return r;
    }
}
