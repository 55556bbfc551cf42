package com.orv.media.audio;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertTrue;

import com.orv.testsupport.HostAudio;
import java.util.Arrays;
import java.util.List;
import org.junit.After;
import org.junit.Before;
import org.junit.Test;

/** Both nativeTest natives: real-time runs, refusals, bad parameters and the bounded waits. */
public class AudioSelfTestTest {
    @Before
    public void setUp() {
        HostAudio.reset();
        HostAudio.startLogCapture();
    }

    @After
    public void tearDown() {
        HostAudio.reset();
        assertEquals(0, HostAudio.liveObjects(HostAudio.ANY));
    }

    @Test
    public void playbackOfFourStereoBuffersCompletesInRealTime() {
        HostAudio.setBackend("null");
        assertEquals(0, AudioTrackNative.nativeTest(2, 48000, false, 20, 4));
        List<String> log = HostAudio.log();
        assertTrue(log.toString(), log.contains("D logBufferState state.count:4  state.playIndex:0"));
    }

    @Test
    public void captureReadsEveryBufferInRealTime() {
        HostAudio.setBackend("null");
        assertEquals(0, AudioRecordNative.nativeTest(1, 48000, true, 20, 3));
        assertTrue(HostAudio.log().contains("D logBufferState state.count:0  state.playIndex:0"));
        // bufferMs 0: nothing to read, the test stops at once even on the manual clock
        HostAudio.setBackend("manual");
        assertEquals(0, AudioRecordNative.nativeTest(2, 44100, false, 0, 4));
        assertEquals(0, AudioRecordNative.selfTest(2, 44100, false, 0, 4));
    }

    @Test
    public void anUnsupportedSampleRateFailsTheOpenAndGivesTheEngineBack() {
        assertEquals(-38, AudioTrackNative.nativeTest(2, 1000, false, 20, 4));
        assertEquals(-38, AudioRecordNative.nativeTest(1, 1000, false, 20, 4));
        assertEquals(0, HostAudio.liveObjects(HostAudio.ENGINE));
        List<String> log = HostAudio.log();
        assertEquals(2, log.stream().filter("W open error SL_RESULT_CONTENT_UNSUPPORTED"::equals).count());
    }

    @Test
    public void aRefusedStartIsReportedAndTheStreamStillClosed() {
        HostAudio.fail(HostAudio.OP_SET_STATE, HostAudio.PLAYER,
                HostAudio.SL_RESULT_PRECONDITIONS_VIOLATED, 3, 0, -1);
        HostAudio.fail(HostAudio.OP_SET_STATE, HostAudio.RECORDER,
                HostAudio.SL_RESULT_INTERNAL_ERROR, 3, 0, -1);
        assertEquals(-38, AudioTrackNative.nativeTest(1, 8000, false, 20, 2));
        assertEquals(-38, AudioRecordNative.nativeTest(1, 8000, false, 20, 2));
        List<String> log = HostAudio.log();
        assertTrue(log.toString(), log.contains("W setPlayState 3 error SL_RESULT_PRECONDITIONS_VIOLATE"));
        assertTrue(log.toString(), log.contains("W setRecordState 3 error SL_RESULT_INTERNAL_ERROR"));
    }

    @Test
    public void parametersThatDoNotFitAreRefusedBeforeAnyStreamExists() {
        // 48000 × 50000 does not fit 32 bits; negative values are refused too
        assertEquals(-22, AudioTrackNative.nativeTest(2, 48000, false, 50000, 4));
        assertEquals(-22, AudioRecordNative.nativeTest(2, 48000, false, 50000, 4));
        assertEquals(-22, AudioTrackNative.nativeTest(-1, 48000, false, 20, 4));
        assertEquals(-22, AudioRecordNative.nativeTest(1, 48000, false, -20, 4));
        assertEquals(-22, AudioTrackNative.nativeTest(1, -48000, false, 20, 4));
        assertEquals(-22, AudioRecordNative.nativeTest(1, 48000, false, 20, -4));
        // a product that fits but a total of buffers that does not
        assertEquals(-22, AudioRecordNative.nativeTest(8, 192000, true, 10000, 100));
        assertEquals(Arrays.asList(), HostAudio.log());
    }

    /** The manual clock never moves here: both waits give up after their bound. */
    @Test
    public void waitsThatNeverCompleteEndWithAWarning() {
        assertEquals(-38, AudioTrackNative.nativeTest(2, 48000, false, 1, 1));
        assertEquals(-38, AudioRecordNative.nativeTest(1, 48000, false, 1, 1));
        List<String> log = HostAudio.log();
        assertTrue(log.toString(), log.contains("W nativeTest: 1 buffers still queued after 1004 ms"));
        assertTrue(log.toString(), log.contains("W nativeTest: 0 of 96 bytes recorded after 1004 ms"));
    }
}
