package com.orv.media.audio;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;

import com.orv.testsupport.HostAudio;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.After;
import org.junit.Before;
import org.junit.Test;

/** The playback natives on the manual clock: every result with no, closed and open streams. */
public class AudioTrackNativeTest {
    /** 20 ms of 48 kHz stereo 16-bit audio. */
    private static final int BUFFER = 3840;

    private final List<Long> handles = new ArrayList<>();

    @Before
    public void setUp() {
        HostAudio.reset();
        HostAudio.startLogCapture();
    }

    @After
    public void tearDown() {
        for (long h : handles) AudioTrackNative.nativeDestroyTrack(h);
        HostAudio.reset();
        assertEquals(0, HostAudio.liveObjects(HostAudio.ANY));
    }

    private long created() {
        long h = AudioTrackNative.nativeCreateTrack();
        assertTrue(h != 0);
        handles.add(h);
        return h;
    }

    private long opened(int numBuffers) {
        long h = created();
        assertEquals(0, AudioTrackNative.nativeOpen(h, 2, 48000, false, numBuffers));
        return h;
    }

    private static long[] player() {
        return HostAudio.lastObjectInfo(HostAudio.PLAYER);
    }

    /** Every native on handle 0, on a stream never opened and on one opened and closed. */
    @Test
    public void withoutAnOpenStreamEveryNativeRefuses() {
        long closedAgain = opened(2);
        AudioTrackNative.nativeClose(closedAgain);
        for (long h : new long[] {0, created(), closedAgain}) {
            String at = "handle " + (h == 0 ? "0" : "closed");
            assertEquals(at, -38, AudioTrackNative.nativeStart(h));
            assertEquals(at, -38, AudioTrackNative.nativeStop(h));
            assertEquals(at, -38, AudioTrackNative.nativePause(h));
            long[] position = {77};
            assertEquals(at, -38, AudioTrackNative.nativeGetPositionInMsec(h, position));
            assertEquals(at, 77, position[0]);
            assertEquals(at, 0, AudioTrackNative.nativeGetBuffersPending(h));
            assertEquals(at, -38, AudioTrackNative.nativeWriteByteArray(h, new byte[8], 0, 8, true));
            assertEquals(at, -38, AudioTrackNative.nativeWriteShortArray(h, new short[8], 0, 8, true));
            assertEquals(at, -38, AudioTrackNative.nativeWriteFloatArray(h, new float[8], 0, 8, true));
            AudioTrackNative.nativeClose(h);
        }
        // handle 0 has no stream to open or flush; a closed stream flushes nothing, successfully
        assertEquals(-38, AudioTrackNative.nativeOpen(0, 2, 48000, false, 2));
        assertEquals(-38, AudioTrackNative.nativeFlush(0));
        assertEquals(0, AudioTrackNative.nativeFlush(closedAgain));
        AudioTrackNative.nativeDestroyTrack(0);
    }

    @Test
    public void writesQueueCopiesAndCountInElements() {
        long h = opened(3);
        byte[] bytes = new byte[BUFFER + 10];
        assertEquals(BUFFER, AudioTrackNative.nativeWriteByteArray(h, bytes, 10, BUFFER, false));
        assertEquals(100, AudioTrackNative.nativeWriteShortArray(h, new short[105], 5, 100, false));
        assertEquals(6, AudioTrackNative.nativeWriteFloatArray(h, new float[6], 0, 6, true));
        assertEquals(3, AudioTrackNative.nativeGetBuffersPending(h));
        assertEquals(3, player()[1]);
        // full: a non-blocking write queues nothing
        assertEquals(0, AudioTrackNative.nativeWriteShortArray(h, new short[4], 0, 4, false));
        assertEquals(3, AudioTrackNative.nativeGetBuffersPending(h));
        assertEquals(Arrays.asList(), errorsAndWarnings());
    }

    /** Bad arguments give -22 (a null array too; handle 0 with an array -38) and queue nothing. */
    @Test
    public void argumentsOutsideTheArrayAreRefused() {
        long h = opened(8);
        short[] shorts = new short[10];
        assertEquals(-22, AudioTrackNative.nativeWriteByteArray(h, null, 0, 4, true));
        assertEquals(-22, AudioTrackNative.nativeWriteShortArray(h, null, 0, 4, true));
        assertEquals(-22, AudioTrackNative.nativeWriteFloatArray(h, null, 0, 4, true));
        assertEquals(-38, AudioTrackNative.nativeWriteShortArray(0, shorts, 0, 4, true));
        assertEquals(-22, AudioTrackNative.nativeWriteShortArray(h, shorts, -1, 4, true));
        assertEquals(-22, AudioTrackNative.nativeWriteShortArray(h, shorts, 0, -4, true));
        assertEquals(-22, AudioTrackNative.nativeWriteShortArray(h, shorts, 7, 4, true));
        assertEquals(-22, AudioTrackNative.nativeWriteShortArray(h, shorts, 11, 0, true));
        assertEquals(-22, AudioTrackNative.nativeWriteByteArray(h, new byte[4], Integer.MAX_VALUE, 2, true));
        assertEquals(-22, AudioTrackNative.nativeWriteFloatArray(h, new float[4], 2, Integer.MAX_VALUE, true));
        assertEquals(0, AudioTrackNative.nativeGetBuffersPending(h));
        assertEquals(0, player()[1]);
        // the whole array, up to its last element, is accepted
        assertEquals(10, AudioTrackNative.nativeWriteShortArray(h, shorts, 0, 10, false));
        assertEquals(3, AudioTrackNative.nativeWriteShortArray(h, shorts, 7, 3, false));
        List<String> log = new ArrayList<>();
        for (String line : HostAudio.log()) if (line.startsWith("V nativeWrite")) log.add(line);
        assertEquals(12, log.size());
        assertEquals("V nativeWriteByteArray((nil), 0, 4, 1)", log.get(0));
        assertEquals("V nativeWriteShortArray((nil), 0, 4, 1)", log.get(1));
        assertEquals("V nativeWriteFloatArray((nil), 0, 4, 1)", log.get(2));
        assertTrue(log.get(4), log.get(4).matches("V nativeWriteShortArray\\(0x[0-9a-f]+, -1, 4, 1\\)"));
        assertEquals(Arrays.asList(), errorsAndWarnings());
    }

    /** Start, pause and stop reach the player; a refused state is reported and changes nothing. */
    @Test
    public void stateChangesAndPosition() {
        long h = opened(4);
        for (int i = 0; i < 3; i++) {
            assertEquals(BUFFER, AudioTrackNative.nativeWriteByteArray(h, new byte[BUFFER], 0, BUFFER, false));
        }
        long[] position = {-1};
        assertEquals(0, AudioTrackNative.nativeGetPositionInMsec(h, position));
        assertEquals(0, position[0]);
        assertEquals(0, AudioTrackNative.nativeStart(h));
        assertEquals(3, player()[0]);
        assertEquals(1, HostAudio.advance(30));
        assertEquals(0, AudioTrackNative.nativeGetPositionInMsec(h, position));
        assertEquals(30, position[0]);
        assertEquals(2, AudioTrackNative.nativeGetBuffersPending(h));
        assertEquals(0, AudioTrackNative.nativePause(h));
        assertEquals(2, player()[0]);
        assertEquals(0, HostAudio.advance(30));
        assertEquals(0, AudioTrackNative.nativeGetPositionInMsec(h, position));
        assertEquals(30, position[0]);

        HostAudio.fail(HostAudio.OP_SET_STATE, HostAudio.PLAYER,
                HostAudio.SL_RESULT_PRECONDITIONS_VIOLATED, 3, 0, 1);
        assertEquals(-38, AudioTrackNative.nativeStart(h));
        assertEquals(2, player()[0]);
        assertEquals(0, AudioTrackNative.nativeStart(h));
        assertEquals(2, HostAudio.advance(40));
        assertEquals(0, AudioTrackNative.nativeGetBuffersPending(h));
        assertEquals(0, AudioTrackNative.nativeStop(h));
        assertEquals(1, player()[0]);
        assertEquals(0, AudioTrackNative.nativeGetPositionInMsec(h, position));
        assertEquals(0, position[0]);

        HostAudio.fail(HostAudio.OP_GET_POSITION, HostAudio.PLAYER,
                HostAudio.SL_RESULT_INTERNAL_ERROR, 0, 0, 1);
        position[0] = 5;
        assertEquals(-38, AudioTrackNative.nativeGetPositionInMsec(h, position));
        assertEquals(5, position[0]);
        assertEquals(-22, AudioTrackNative.nativeGetPositionInMsec(h, null));
        assertEquals(-22, AudioTrackNative.nativeGetPositionInMsec(h, new long[0]));
        assertEquals(Arrays.asList("W setPlayState 3 error SL_RESULT_PRECONDITIONS_VIOLATE",
                "W getPosition error SL_RESULT_INTERNAL_ERROR"), errorsAndWarnings());
    }

    @Test
    public void flushDropsQueuedCopiesUnlessTheQueueRefusesToClear() {
        long h = opened(4);
        for (int i = 0; i < 3; i++) {
            assertEquals(4, AudioTrackNative.nativeWriteShortArray(h, new short[4], 0, 4, false));
        }
        HostAudio.fail(HostAudio.OP_CLEAR, HostAudio.PLAYER, HostAudio.SL_RESULT_INTERNAL_ERROR, 0, 0, 1);
        assertEquals(-38, AudioTrackNative.nativeFlush(h));
        assertEquals(3, AudioTrackNative.nativeGetBuffersPending(h));
        assertEquals(3, player()[1]);
        assertEquals(0, AudioTrackNative.nativeFlush(h));
        assertEquals(0, AudioTrackNative.nativeGetBuffersPending(h));
        assertEquals(0, player()[1]);
        // nothing completes after a flush
        assertEquals(0, AudioTrackNative.nativeStart(h));
        assertEquals(0, HostAudio.advance(100));
        assertEquals(Arrays.asList(), errorsAndWarnings());
    }

    /** Four threads share one handle; every write lands exactly once. */
    @Test
    public void concurrentCallsShareOneHandle() throws Exception {
        long h = opened(255);  // the most Android takes
        ExecutorService pool = Executors.newFixedThreadPool(4);
        try {
            List<Future<Integer>> results = new ArrayList<>();
            for (int t = 0; t < 4; t++) {
                Callable<Integer> writer = () -> {
                    int sum = 0;
                    short[] chunk = new short[32];
                    for (int i = 0; i < 50; i++) {
                        sum += AudioTrackNative.nativeWriteShortArray(h, chunk, 0, 32, false);
                        AudioTrackNative.nativeGetBuffersPending(h);
                    }
                    return sum;
                };
                results.add(pool.submit(writer));
            }
            for (Future<Integer> f : results) assertEquals(Integer.valueOf(50 * 32), f.get());
        } finally {
            pool.shutdown();
        }
        assertEquals(200, AudioTrackNative.nativeGetBuffersPending(h));
        assertEquals(0, AudioTrackNative.nativeStart(h));
        assertEquals(200, HostAudio.advance(1000));
        assertEquals(0, AudioTrackNative.nativeGetBuffersPending(h));
        assertArrayEquals(new long[] {3, 0, 200, 200 * 64}, player());
    }

    /**
     * The handle is destroyed while a blocking write holds the stream: the write still completes
     * when a buffer finishes, and the stream closes when it returns.
     */
    @Test
    public void aStreamOutlivesItsHandleWhileACallUsesIt() throws Exception {
        long h = AudioTrackNative.nativeCreateTrack();
        assertEquals(0, AudioTrackNative.nativeOpen(h, 2, 48000, false, 1));
        assertEquals(BUFFER, AudioTrackNative.nativeWriteByteArray(h, new byte[BUFFER], 0, BUFFER, false));
        assertEquals(0, AudioTrackNative.nativeStart(h));
        ExecutorService pool = Executors.newSingleThreadExecutor();
        try {
            Future<Integer> writer = pool.submit(
                    () -> AudioTrackNative.nativeWriteByteArray(h, new byte[BUFFER], 0, BUFFER, true));
            while (HostAudio.trackUseCount(h) < 2) Thread.onSpinWait();
            AudioTrackNative.nativeDestroyTrack(h);
            assertEquals(1, HostAudio.liveObjects(HostAudio.PLAYER));
            assertEquals(1, HostAudio.completeNext(HostAudio.PLAYER));
            assertEquals(Integer.valueOf(BUFFER), writer.get());
        } finally {
            pool.shutdown();
        }
        assertEquals(0, HostAudio.liveObjects(HostAudio.PLAYER));
    }

    /**
     * A writer blocked on a full queue waits while the stream is paused, is served by a
     * completion once it plays, and is released with 0 by a flush or a close.
     */
    @Test
    public void blockedWritersAreServedOrReleased() throws Exception {
        long h = opened(1);
        byte[] chunk = new byte[BUFFER];
        assertEquals(BUFFER, AudioTrackNative.nativeWriteByteArray(h, chunk, 0, BUFFER, false));
        assertEquals(0, AudioTrackNative.nativePause(h));
        BlockedCall served = new BlockedCall(
                () -> AudioTrackNative.nativeWriteByteArray(h, chunk, 0, BUFFER, true),
                () -> HostAudio.trackWaitsBegun(h));
        assertEquals(0, HostAudio.completeNext(HostAudio.PLAYER)); // paused: nothing completes
        assertEquals(0, AudioTrackNative.nativeStart(h));
        assertEquals(1, HostAudio.completeNext(HostAudio.PLAYER));
        assertEquals(BUFFER, served.result());
        assertEquals(1, AudioTrackNative.nativeGetBuffersPending(h));

        BlockedCall flushed = new BlockedCall(
                () -> AudioTrackNative.nativeWriteShortArray(h, new short[8], 0, 8, true),
                () -> HostAudio.trackWaitsBegun(h));
        assertEquals(0, AudioTrackNative.nativeFlush(h));
        assertEquals(0, flushed.result());
        assertEquals(0, AudioTrackNative.nativeGetBuffersPending(h));

        assertEquals(4, AudioTrackNative.nativeWriteFloatArray(h, new float[4], 0, 4, false));
        BlockedCall closed = new BlockedCall(
                () -> AudioTrackNative.nativeWriteFloatArray(h, new float[4], 0, 4, true),
                () -> HostAudio.trackWaitsBegun(h));
        AudioTrackNative.nativeClose(h);
        assertEquals(0, closed.result());
        assertEquals(0, HostAudio.liveObjects(HostAudio.PLAYER));
        assertEquals(Arrays.asList("W unable to deliver write", "W unable to deliver write"),
                errorsAndWarnings());
    }

    private static List<String> errorsAndWarnings() {
        List<String> out = new ArrayList<>();
        for (String line : HostAudio.log()) {
            if (line.startsWith("W ") || line.startsWith("E ")) out.add(line);
        }
        return out;
    }
}
