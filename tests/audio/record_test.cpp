// The capture stream on the manual clock with the counter source (byte n of the recording is
// n & 0xFF): buffer sizes, ready and direct deliveries, blocked readers and their release,
// resumed capture, refused OpenSL ES calls and late completions.
#include "audio_record_native.h"
#include "audio_test_support.h"

#include <thread>

namespace {

using audiotest::AudioTest;
using audiotest::counterBytes;
using audiotest::verbose;
using audiotest::warn;
using Log = std::vector<orvtest::LogEntry>;
using Bytes = std::vector<uint8_t>;

constexpr size_t kBuffer = 3840;  // 20 ms of 48 kHz stereo 16-bit

class Record : public AudioTest {
  protected:
    void openStereo(unsigned numBuffers) {
        ASSERT_EQ(0, rec.open(2, 48000, false, numBuffers));
        recorder = slhost_last_object(SLHOST_KIND_RECORDER);
        ASSERT_NE(nullptr, recorder);
    }
    // Reads `n` bytes; the result must be `expected` bytes long.
    Bytes readBytes(size_t n, bool blocking, long expected) {
        Bytes out(n, 0xEE);
        EXPECT_EQ(expected, rec.read(out.data(), n, blocking));
        out.resize(expected > 0 ? size_t(expected) : 0);
        return out;
    }
    AudioRecordNative rec;
    SLObjectItf recorder = nullptr;
};

TEST_F(Record, BufferIsTwentyMillisecondsOfFrames) {
    struct Case {
        unsigned channels, rate;
        bool useFloat;
        size_t bytes;
    };
    for (Case c :
         {Case{2, 48000, false, 3840}, Case{1, 48000, true, 3840}, Case{1, 11025, false, 440}}) {
        ASSERT_EQ(0, rec.open(c.channels, c.rate, c.useFloat, 2));
        EXPECT_EQ(c.bytes, rec.captureBufferSize());
        ASSERT_EQ(0, rec.start());
        EXPECT_EQ(1u, slhost_manual_advance(20));
        EXPECT_EQ(counterBytes(0, c.bytes), readBytes(c.bytes + 100, false, long(c.bytes)));
        rec.close();
        EXPECT_EQ(0u, rec.captureBufferSize());
    }
}

TEST_F(Record, OpenLogsEachStepAndFailureClosesAndGivesTheEngineBack) {
    openStereo(2);
    EXPECT_EQ((Log{verbose("creating recorder"), verbose("realizing recorder"),
                   verbose("geting record interface"), verbose("geting buffer queue interface"),
                   verbose("registering buffer queue interface")}),
              sonoraLog());
    clearLog();
    audiotest::failNext(SLHOST_OP_REALIZE, SLHOST_KIND_RECORDER, SL_RESULT_RESOURCE_ERROR);
    EXPECT_EQ(-38, rec.open(2, 48000, false, 2));  // closes the open stream first
    EXPECT_EQ((Log{verbose("creating recorder"), verbose("realizing recorder"),
                   warn("open error SL_RESULT_RESOURCE_ERROR")}),
              sonoraLog());
    EXPECT_FALSE(rec.isOpen());
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY));
    Bytes none(4);
    EXPECT_EQ(-38, rec.read(none.data(), 4, false));
    EXPECT_EQ(-38, rec.start());
    EXPECT_EQ(0, rec.flush()) << "flush of a closed stream empties the queues";
}

TEST_F(Record, ReadsWhatIsReadyWithoutBlocking) {
    openStereo(4);
    Bytes none(1);
    EXPECT_EQ(0, rec.read(none.data(), 0, true)) << "size 0";
    EXPECT_EQ(0, rec.read(none.data(), 1, false)) << "nothing ready";
    ASSERT_EQ(0, rec.start());
    EXPECT_EQ(2u, slhost_manual_advance(40));
    EXPECT_EQ(2, rec.buffersPending());
    EXPECT_EQ(counterBytes(0, 1000), readBytes(1000, false, 1000));
    EXPECT_EQ(counterBytes(1000, 2 * kBuffer - 1000), readBytes(10000, false, 2 * kBuffer - 1000));
    EXPECT_EQ(0, rec.buffersPending());
    SLmillisecond ms = 0;
    EXPECT_EQ(0, rec.getPositionInMsec(&ms));
    EXPECT_EQ(40u, ms);
    rec.close();
}

TEST_F(Record, BlockedReaderIsFilledStraightFromTheNextBuffer) {
    openStereo(4);
    ASSERT_EQ(0, rec.start());
    Bytes got;
    audiotest::BoundedThread reader([&] { got = readBytes(1000, true, 1000); });
    audiotest::spinUntil([&] { return rec.waitsBegun() == 1; });
    EXPECT_EQ(1u, slhost_manual_advance(20));
    reader.join();
    EXPECT_EQ(counterBytes(0, 1000), got);
    EXPECT_EQ(1, rec.buffersPending()) << "the other 2840 bytes stay ready";
    EXPECT_EQ(counterBytes(1000, 2840), readBytes(5000, false, 2840));

    // A reader wanting more than one buffer takes what is ready, then waits for the rest.
    EXPECT_EQ(2u, slhost_manual_advance(40));
    audiotest::BoundedThread second([&] { got = readBytes(3 * kBuffer, true, 3 * kBuffer); });
    audiotest::spinUntil([&] { return rec.waitsBegun() == 2; });
    EXPECT_EQ(1u, slhost_manual_advance(20));
    second.join();
    EXPECT_EQ(counterBytes(kBuffer, 3 * kBuffer), got);
    rec.close();
}

TEST_F(Record, BlockedReaderOnAStoppedStreamIsReleasedByFlushOrClose) {
    openStereo(4);
    ASSERT_EQ(0, rec.start());
    EXPECT_EQ(1u, slhost_manual_advance(20));
    ASSERT_EQ(0, rec.stop());
    Bytes got;
    audiotest::BoundedThread reader([&] { got = readBytes(kBuffer + 10, true, long(kBuffer)); });
    audiotest::spinUntil([&] { return rec.waitsBegun() == 1; });
    EXPECT_EQ(0, rec.flush());
    reader.join();
    EXPECT_EQ(counterBytes(0, kBuffer), got) << "the bytes that were ready";
    EXPECT_EQ(0u, audiotest::infoOf(recorder).queued);

    audiotest::BoundedThread second([&] { got = readBytes(10, true, 0); });
    audiotest::spinUntil([&] { return rec.waitsBegun() == 2; });
    rec.close();
    second.join();
    EXPECT_TRUE(got.empty());
}

TEST_F(Record, CaptureResumesAfterTheReaderFellBehind) {
    openStereo(2);
    ASSERT_EQ(0, rec.start());
    EXPECT_EQ(2u, slhost_manual_advance(40));
    EXPECT_EQ(2, rec.buffersPending());
    EXPECT_EQ(0u, audiotest::infoOf(recorder).queued) << "both buffers held ready: stalled";
    EXPECT_EQ(0u, slhost_manual_advance(20));

    EXPECT_EQ(counterBytes(0, kBuffer), readBytes(kBuffer, false, long(kBuffer)));
    EXPECT_EQ(1u, audiotest::infoOf(recorder).queued) << "the read made room and enqueued";
    // A blocking read drains what is ready and is completed by the resumed capture.
    Bytes got;
    audiotest::BoundedThread reader([&] { got = readBytes(2 * kBuffer, true, 2 * kBuffer); });
    audiotest::spinUntil([&] { return rec.waitsBegun() == 1; });
    EXPECT_EQ(1u, slhost_manual_advance(20));
    reader.join();
    EXPECT_EQ(counterBytes(kBuffer, 2 * kBuffer), got);
    rec.close();
}

TEST_F(Record, RefusedEnqueueLeavesNothingInFlightAndReadResumes) {
    openStereo(2);
    clearLog();
    audiotest::failNext(SLHOST_OP_ENQUEUE, SLHOST_KIND_RECORDER, SL_RESULT_BUFFER_INSUFFICIENT);
    EXPECT_EQ(0, rec.start()) << "the start itself succeeded";
    EXPECT_EQ(0u, audiotest::infoOf(recorder).queued);
    EXPECT_EQ(SL_RECORDSTATE_RECORDING, rec.recordState());
    Bytes none(1);
    EXPECT_EQ(0, rec.read(none.data(), 1, false));
    EXPECT_EQ(1u, audiotest::infoOf(recorder).queued);
    EXPECT_EQ(1u, slhost_manual_advance(20));
    EXPECT_EQ(counterBytes(0, kBuffer), readBytes(kBuffer, false, long(kBuffer)));
    EXPECT_EQ(warn("Enqueue error SL_RESULT_BUFFER_INSUFFICIENT"), sonoraLog().at(0));
    rec.close();
}

TEST_F(Record, RefusedStartKeepsTheEnqueuedBufferInFlight) {
    openStereo(2);
    audiotest::failNext(SLHOST_OP_SET_STATE, SLHOST_KIND_RECORDER,
                        SL_RESULT_PRECONDITIONS_VIOLATED);
    EXPECT_EQ(-38, rec.start());
    EXPECT_EQ(SL_RECORDSTATE_STOPPED, rec.recordState());
    EXPECT_EQ(1u, audiotest::infoOf(recorder).queued);
    EXPECT_EQ(warn("setRecordState 3 error SL_RESULT_PRECONDITIONS_VIOLATE"), sonoraLog().back());
    clearLog();
    audiotest::failNext(SLHOST_OP_SET_STATE, SLHOST_KIND_RECORDER, SL_RESULT_INTERNAL_ERROR);
    rec.close();
    EXPECT_EQ((Log{warn("setRecordState 1 error SL_RESULT_INTERNAL_ERROR")}), sonoraLog());
}

// Where OpenSL ES reports the buffers a stop drops, no unfilled buffer reaches a reader: the
// stream took its buffers in flight back; what was captured stays ready.
TEST_F(Record, ReportedDropsOnStopHandOutNoUnfilledBuffer) {
    slhost_report_dropped_buffers(1);
    openStereo(4);
    ASSERT_EQ(0, rec.start());
    EXPECT_EQ(1u, slhost_manual_advance(30));  // one buffer ready, the next half filled
    ASSERT_EQ(0, rec.stop());
    slhost_manual_wait_idle();
    EXPECT_EQ(1, rec.buffersPending());
    EXPECT_EQ(counterBytes(0, kBuffer), readBytes(2 * kBuffer, false, long(kBuffer)));
    ASSERT_EQ(0, rec.start());
    EXPECT_EQ(1u, slhost_manual_advance(20));
    EXPECT_EQ(counterBytes(kBuffer + kBuffer / 2, kBuffer),
              readBytes(kBuffer, false, long(kBuffer)));
    rec.close();
}

TEST_F(Record, LateCompletionOfAFlushedBufferHandsOutNoUnfilledBuffer) {
    openStereo(2);
    ASSERT_EQ(0, rec.start());
    {
        std::lock_guard<std::recursive_mutex> held(rec.streamLock());
        ASSERT_EQ(1, slhost_manual_complete_next_async(recorder));
        audiotest::spinUntil([&] { return audiotest::infoOf(recorder).callbackRunning == 1; });
        // The callback waits for the lock while its buffer is flushed away and a fresh one is
        // enqueued in its place.
        EXPECT_EQ(0, rec.flush());
        EXPECT_EQ(0, rec.start());
    }
    slhost_manual_wait_idle();
    EXPECT_EQ(0, rec.buffersPending()) << "the fresh buffer is not filled yet";
    EXPECT_EQ(2u, audiotest::infoOf(recorder).queued);
    EXPECT_EQ(2u, slhost_manual_advance(40));
    EXPECT_EQ(counterBytes(kBuffer, 2 * kBuffer), readBytes(2 * kBuffer, false, 2 * kBuffer));
    rec.close();
}

TEST_F(Record, CallbackForAnotherQueueIsIgnoredAndEmptyCompletionEnqueues) {
    openStereo(2);
    SLAndroidSimpleBufferQueueItf queue = audiotest::lastRecorderQueue();
    clearLog();
    rec.bufferQueueCallback(reinterpret_cast<SLAndroidSimpleBufferQueueItf>(&queue));
    EXPECT_EQ(0u, audiotest::infoOf(recorder).queued);
    rec.bufferQueueCallback(queue);
    EXPECT_EQ(1u, audiotest::infoOf(recorder).queued);
    EXPECT_EQ((Log{warn("invalid buffer queue interface, ignoring"), warn("no delivered data!")}),
              sonoraLog());
    rec.logBufferState();
    EXPECT_EQ(audiotest::debug("logBufferState state.count:1  state.playIndex:0"),
              sonoraLog().back());
    rec.close();
}

}  // namespace
