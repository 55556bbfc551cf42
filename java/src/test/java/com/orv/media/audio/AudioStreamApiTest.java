package com.orv.media.audio;

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertThrows;
import static org.junit.Assert.assertTrue;

import com.orv.testsupport.HostAudio;
import org.junit.After;
import org.junit.Before;
import org.junit.Test;

/** The Java API over the natives: exceptions, argument checks and the handle's lifetime. */
public class AudioStreamApiTest {
    @Before
    public void setUp() {
        HostAudio.reset();
        HostAudio.setCaptureSource("counter");
    }

    @After
    public void tearDown() {
        HostAudio.reset();
        assertEquals(0, HostAudio.liveObjects(HostAudio.ANY));
    }

    @Test
    public void aTrackPlaysAndIsGoneOnceClosed() throws Exception {
        AudioTrackNative track = new AudioTrackNative();
        track.open(1, 8000, false, 2);
        assertEquals(160, track.write(new short[200], 40, 160, false));
        assertEquals(320, track.write(new byte[320], 0, 320, false));
        assertEquals(0, track.write(new float[1], 0, 1, false));
        assertEquals(2, track.getBuffersPending());
        track.start();
        assertEquals(1, HostAudio.advance(25));
        assertEquals(25, track.getPositionMillis());
        track.pause();
        track.flush();
        assertEquals(0, track.getBuffersPending());
        track.stop();
        assertEquals(0, track.getPositionMillis());
        assertFalse(track.isClosed());
        track.close();
        track.close();
        assertTrue(track.isClosed());
        assertEquals(0, HostAudio.liveObjects(HostAudio.PLAYER));
        assertThrows(IllegalStateException.class, track::start);
        assertThrows(IllegalStateException.class, () -> track.write(new byte[2], 0, 2, false));
    }

    @Test
    public void aRecordDeliversAndIsGoneOnceClosed() throws Exception {
        try (AudioRecordNative record = new AudioRecordNative()) {
            record.open(1, 8000, false, 4);
            record.start();
            assertEquals(2, HostAudio.advance(40));
            assertEquals(2, record.getBuffersPending());
            byte[] bytes = new byte[5];
            assertEquals(5, record.read(bytes, 0, 5, false));
            assertArrayEquals(new byte[] {0, 1, 2, 3, 4}, bytes);
            short[] shorts = new short[1000];
            assertEquals((640 - 5) / 2, record.read(shorts, 0, 1000, false)); // two 320-byte buffers
            assertEquals(40, record.getPositionMillis());
            record.stop();
        }
        assertEquals(0, HostAudio.liveObjects(HostAudio.RECORDER));
    }

    @Test
    public void refusalsBecomeExceptionsWithTheNativeCode() throws Exception {
        try (AudioTrackNative track = new AudioTrackNative();
                AudioRecordNative record = new AudioRecordNative()) {
            AudioStreamException e = assertThrows(AudioStreamException.class, track::start);
            assertEquals(AudioStreamException.ERROR_UNAVAILABLE, e.getCode());
            assertEquals("start failed: stream unavailable (-38)", e.getMessage());
            e = assertThrows(AudioStreamException.class, () -> record.open(1, 1000, false, 4));
            assertEquals(-38, e.getCode());
            e = assertThrows(AudioStreamException.class, () -> record.open(-1, 8000, false, 4));
            assertEquals(AudioStreamException.ERROR_BAD_VALUE, e.getCode());
            e = assertThrows(AudioStreamException.class, () -> record.read(new byte[4], 0, 4, false));
            assertEquals(-38, e.getCode());
            assertThrows(AudioStreamException.class, record::getPositionMillis);
            assertEquals(0, record.getBuffersPending());
        }
    }

    @Test
    public void rangesOutsideTheArrayAreRefusedBeforeTheNativeCall() throws Exception {
        try (AudioTrackNative track = new AudioTrackNative();
                AudioRecordNative record = new AudioRecordNative()) {
            track.open(1, 8000, false, 4);
            record.open(1, 8000, false, 4);
            assertThrows(IndexOutOfBoundsException.class, () -> track.write(new short[4], 2, 3, false));
            assertThrows(IndexOutOfBoundsException.class, () -> track.write(new byte[4], -1, 1, false));
            assertThrows(IndexOutOfBoundsException.class, () -> record.read(new float[4], 0, 5, false));
            assertThrows(NullPointerException.class, () -> record.read((short[]) null, 0, 1, false));
            assertEquals(0, track.getBuffersPending());
        }
    }

    @Test
    public void selfTestsAreReachableFromTheApi() {
        assertEquals(-22, AudioTrackNative.selfTest(1, 48000, false, -1, 1));
        assertEquals(-38, AudioRecordNative.selfTest(1, 1000, false, 20, 1));
    }

    /**
     * Closing from another thread releases a blocked reader and writer; each stream's handle goes
     * when that last call returns, and later calls are refused.
     */
    @Test
    public void closeReleasesBlockedCallersAndFreesTheHandleAfterThem() throws Exception {
        AudioRecordNative record = new AudioRecordNative();
        record.open(1, 8000, false, 2);
        long rh = record.nativeHandle();
        BlockedCall reader = new BlockedCall(() -> record.read(new short[10], 0, 10, true),
                () -> HostAudio.recordWaitsBegun(rh));
        record.close();
        assertEquals(0, reader.result());
        assertThrows(IllegalStateException.class, () -> record.read(new short[10], 0, 10, true));

        AudioTrackNative track = new AudioTrackNative();
        track.open(1, 8000, false, 1);
        assertEquals(10, track.write(new short[10], 0, 10, false));
        long th = track.nativeHandle();
        BlockedCall writer = new BlockedCall(() -> track.write(new short[10], 0, 10, true),
                () -> HostAudio.trackWaitsBegun(th));
        track.close();
        assertEquals(0, writer.result());
        assertTrue(track.isClosed());
    }
}
