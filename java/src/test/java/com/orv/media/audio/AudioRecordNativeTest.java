package com.orv.media.audio;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;

import com.orv.testsupport.HostAudio;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.After;
import org.junit.Before;
import org.junit.Test;

/**
 * The capture natives on the manual clock. The recorders capture the counter signal: byte n of a
 * recording is n & 0xFF, so every byte read shows where it came from.
 */
public class AudioRecordNativeTest {
    /** 20 ms of 48 kHz mono 16-bit audio. */
    private static final int BUFFER = 1920;

    private final List<Long> handles = new ArrayList<>();

    @Before
    public void setUp() {
        HostAudio.reset();
        HostAudio.setCaptureSource("counter");
        HostAudio.startLogCapture();
    }

    @After
    public void tearDown() {
        for (long h : handles) AudioRecordNative.nativeDestroyRecord(h);
        HostAudio.reset();
        assertEquals(0, HostAudio.liveObjects(HostAudio.ANY));
    }

    private long created() {
        long h = AudioRecordNative.nativeCreateRecord();
        assertTrue(h != 0);
        handles.add(h);
        return h;
    }

    private long recording(int numBuffers) {
        long h = created();
        assertEquals(0, AudioRecordNative.nativeOpen(h, 1, 48000, false, numBuffers));
        assertEquals(0, AudioRecordNative.nativeStart(h));
        return h;
    }

    private static byte[] counter(int from, int count) {
        byte[] out = new byte[count];
        for (int i = 0; i < count; i++) out[i] = (byte) (from + i);
        return out;
    }

    private static long[] recorder() {
        return HostAudio.lastObjectInfo(HostAudio.RECORDER);
    }

    @Test
    public void withoutAnOpenStreamEveryNativeRefuses() {
        long closedAgain = recording(2);
        AudioRecordNative.nativeClose(closedAgain);
        for (long h : new long[] {0, created(), closedAgain}) {
            assertEquals(-38, AudioRecordNative.nativeStart(h));
            assertEquals(-38, AudioRecordNative.nativeStop(h));
            assertEquals(-38, AudioRecordNative.nativePause(h));
            long[] position = {77};
            assertEquals(-38, AudioRecordNative.nativeGetPositionInMsec(h, position));
            assertEquals(77, position[0]);
            assertEquals(0, AudioRecordNative.nativeGetBuffersPending(h));
            assertEquals(-38, AudioRecordNative.nativeReadByteArray(h, new byte[8], 0, 8, true));
            assertEquals(-38, AudioRecordNative.nativeReadShortArray(h, new short[8], 0, 8, true));
            assertEquals(-38, AudioRecordNative.nativeReadFloatArray(h, new float[8], 0, 8, true));
            AudioRecordNative.nativeClose(h);
        }
        assertEquals(-38, AudioRecordNative.nativeOpen(0, 1, 48000, false, 2));
        assertEquals(-38, AudioRecordNative.nativeFlush(0));
        assertEquals(0, AudioRecordNative.nativeFlush(closedAgain));
        AudioRecordNative.nativeDestroyRecord(0);
    }

    /** 100 shorts from 200 bytes; 6 bytes read as 1 float; bytes land from the given offset. */
    @Test
    public void readsConvertBytesToElements() {
        long h = recording(4);
        assertEquals(1, HostAudio.advance(20));
        assertEquals(1, AudioRecordNative.nativeGetBuffersPending(h));

        short[] shorts = new short[110];
        assertEquals(100, AudioRecordNative.nativeReadShortArray(h, shorts, 10, 100, false));
        ByteBuffer expected = ByteBuffer.wrap(counter(0, 200)).order(ByteOrder.LITTLE_ENDIAN);
        for (int i = 0; i < 100; i++) assertEquals(expected.getShort(), shorts[10 + i]);
        for (int i = 0; i < 10; i++) assertEquals(0, shorts[i]);

        byte[] bytes = new byte[BUFFER];
        assertEquals(BUFFER - 206, AudioRecordNative.nativeReadByteArray(h, bytes, 3, BUFFER - 206, false));
        assertArrayEquals(counter(200, BUFFER - 206), Arrays.copyOfRange(bytes, 3, BUFFER - 203));

        float[] floats = new float[2];
        assertEquals(1, AudioRecordNative.nativeReadFloatArray(h, floats, 0, 2, false));
        float first = ByteBuffer.wrap(counter(BUFFER - 6, 4)).order(ByteOrder.LITTLE_ENDIAN).getFloat();
        assertEquals(Float.floatToRawIntBits(first), Float.floatToRawIntBits(floats[0]));
        assertEquals(0, AudioRecordNative.nativeGetBuffersPending(h));
        // nothing ready: a non-blocking read returns 0
        assertEquals(0, AudioRecordNative.nativeReadByteArray(h, bytes, 0, 10, false));
    }

    @Test
    public void argumentsOutsideTheArrayAreRefusedAndConsumeNothing() {
        long h = recording(4);
        assertEquals(1, HostAudio.advance(20));
        assertEquals(-22, AudioRecordNative.nativeReadByteArray(h, null, 0, 4, false));
        assertEquals(-22, AudioRecordNative.nativeReadShortArray(0, null, 0, 4, false));
        assertEquals(-22, AudioRecordNative.nativeReadFloatArray(h, null, 0, 4, false));
        byte[] bytes = new byte[8];
        assertEquals(-22, AudioRecordNative.nativeReadByteArray(h, bytes, -1, 4, false));
        assertEquals(-22, AudioRecordNative.nativeReadByteArray(h, bytes, 0, -1, false));
        assertEquals(-22, AudioRecordNative.nativeReadByteArray(h, bytes, 5, 4, false));
        assertEquals(-22, AudioRecordNative.nativeReadShortArray(h, new short[8], Integer.MAX_VALUE, 1, false));
        assertEquals(-22, AudioRecordNative.nativeReadFloatArray(h, new float[8], 1, Integer.MAX_VALUE, false));
        assertEquals(1, AudioRecordNative.nativeGetBuffersPending(h));
        assertEquals(8, AudioRecordNative.nativeReadByteArray(h, bytes, 0, 8, false));
        assertArrayEquals(counter(0, 8), bytes);
        for (String line : HostAudio.log()) assertTrue(line, !line.startsWith("E ") && !line.startsWith("W "));
    }

    /** Filled buffers wait for readers; the queue bound holds numBuffers (ready plus in flight). */
    @Test
    public void pendingCountsFilledBuffersNotYetRead() {
        long h = recording(4);
        assertEquals(0, AudioRecordNative.nativeGetBuffersPending(h));
        assertEquals(3, HostAudio.advance(60));
        assertEquals(3, AudioRecordNative.nativeGetBuffersPending(h));
        byte[] bytes = new byte[BUFFER + 1];
        assertEquals(BUFFER + 1, AudioRecordNative.nativeReadByteArray(h, bytes, 0, BUFFER + 1, false));
        assertEquals(2, AudioRecordNative.nativeGetBuffersPending(h));
        long[] position = {0};
        assertEquals(0, AudioRecordNative.nativeGetPositionInMsec(h, position));
        assertEquals(60, position[0]);
        assertEquals(0, AudioRecordNative.nativeFlush(h));
        assertEquals(0, AudioRecordNative.nativeGetBuffersPending(h));
    }

    @Test
    public void stateChangesAndARefusedStart() {
        long h = created();
        assertEquals(0, AudioRecordNative.nativeOpen(h, 2, 48000, true, 4));
        assertEquals(0, recorder()[1]);
        HostAudio.fail(HostAudio.OP_SET_STATE, HostAudio.RECORDER,
                HostAudio.SL_RESULT_PRECONDITIONS_VIOLATED, 3, 0, 1);
        // refused: the one buffer the start enqueued stays in flight, the state stays stopped
        assertEquals(-38, AudioRecordNative.nativeStart(h));
        assertArrayEquals(new long[] {1, 1, 0, 0}, recorder());
        assertEquals(0, AudioRecordNative.nativeStart(h));
        assertArrayEquals(new long[] {3, 2, 0, 0}, recorder());
        assertEquals(0, AudioRecordNative.nativePause(h));
        assertEquals(2, recorder()[0]);
        assertEquals(0, HostAudio.advance(20));
        assertEquals(0, AudioRecordNative.nativeStop(h));
        assertEquals(1, recorder()[0]);
        assertTrue(HostAudio.log().contains("W setRecordState 3 error SL_RESULT_PRECONDITIONS_VIOLATE"));
    }

    /**
     * A blocking read on another thread is completed by the callbacks: the bytes of two buffers
     * arrive in order, and the rest of the second buffer stays ready.
     */
    @Test
    public void aBlockingReadIsServedAcrossBufferBoundaries() throws Exception {
        long h = recording(4);
        ExecutorService pool = Executors.newSingleThreadExecutor();
        try {
            byte[] bytes = new byte[BUFFER + 1000];
            Future<Integer> reader = pool.submit(
                    () -> AudioRecordNative.nativeReadByteArray(h, bytes, 0, bytes.length, true));
            while (HostAudio.recordUseCount(h) < 2) Thread.onSpinWait();
            assertEquals(2, HostAudio.advance(40));
            assertEquals(Integer.valueOf(bytes.length), reader.get());
            assertArrayEquals(counter(0, bytes.length), bytes);
        } finally {
            pool.shutdown();
        }
        assertEquals(1, AudioRecordNative.nativeGetBuffersPending(h));
        byte[] rest = new byte[BUFFER];
        assertEquals(BUFFER - 1000, AudioRecordNative.nativeReadByteArray(h, rest, 0, BUFFER, false));
        assertArrayEquals(counter(BUFFER + 1000, BUFFER - 1000), Arrays.copyOf(rest, BUFFER - 1000));
    }

    /** The handle is destroyed while a blocking read holds the stream; the read still completes. */
    @Test
    public void aStreamOutlivesItsHandleWhileACallUsesIt() throws Exception {
        long h = AudioRecordNative.nativeCreateRecord();
        assertEquals(0, AudioRecordNative.nativeOpen(h, 1, 48000, false, 4));
        assertEquals(0, AudioRecordNative.nativeStart(h));
        ExecutorService pool = Executors.newSingleThreadExecutor();
        try {
            short[] shorts = new short[500];
            Future<Integer> reader = pool.submit(
                    () -> AudioRecordNative.nativeReadShortArray(h, shorts, 0, 500, true));
            while (HostAudio.recordUseCount(h) < 2) Thread.onSpinWait();
            AudioRecordNative.nativeDestroyRecord(h);
            assertEquals(1, HostAudio.liveObjects(HostAudio.RECORDER));
            // (the count of callbacks is not asserted: the recorder may be destroyed, by the
            // reader dropping the last reference, before the host layer counts its callback)
            HostAudio.advance(20);
            assertEquals(Integer.valueOf(500), reader.get());
            assertEquals((short) 0x0100, shorts[0]);
        } finally {
            pool.shutdown();
        }
        assertEquals(0, HostAudio.liveObjects(HostAudio.RECORDER));
    }

    /**
     * A blocking read on a stream that is not recording takes what was ready, waits for the rest,
     * and is released by a flush or a close with the bytes it had.
     */
    @Test
    public void blockedReadersAreReleasedByFlushAndClose() throws Exception {
        long h = recording(4);
        assertEquals(1, HostAudio.advance(20));
        assertEquals(0, AudioRecordNative.nativeStop(h));
        byte[] bytes = new byte[BUFFER + 100];
        BlockedCall flushed = new BlockedCall(
                () -> AudioRecordNative.nativeReadByteArray(h, bytes, 0, bytes.length, true),
                () -> HostAudio.recordWaitsBegun(h));
        assertEquals(0, AudioRecordNative.nativeFlush(h));
        assertEquals(BUFFER, flushed.result());
        assertArrayEquals(counter(0, BUFFER), Arrays.copyOf(bytes, BUFFER));

        BlockedCall closed = new BlockedCall(
                () -> AudioRecordNative.nativeReadFloatArray(h, new float[4], 0, 4, true),
                () -> HostAudio.recordWaitsBegun(h));
        AudioRecordNative.nativeClose(h);
        assertEquals(0, closed.result());
        assertEquals(0, HostAudio.liveObjects(HostAudio.RECORDER));
    }
}
