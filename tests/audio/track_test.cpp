// The playback stream on the manual clock: open and close, the bounded queue, blocked writers
// and what releases them, refused OpenSL ES calls, and late completions.
#include "audio_test_support.h"
#include "audio_record_native.h"
#include "audio_track_native.h"

#include <mutex>
#include <thread>
#include <vector>

namespace {

using audiotest::AudioTest;
using audiotest::warn;
using Log = std::vector<orvtest::LogEntry>;

constexpr size_t kChunk = 3840;  // 20 ms of 48 kHz stereo 16-bit

class Track : public AudioTest {
  protected:
    void openStereo(unsigned numBuffers) {
        ASSERT_EQ(0, track.open(2, 48000, false, numBuffers));
        player = slhost_last_object(SLHOST_KIND_PLAYER);
        ASSERT_NE(nullptr, player);
    }
    int writeChunk(uint8_t seed, bool blocking) {
        auto bytes = audiotest::pattern(kChunk, seed);
        return track.write(bytes.data(), bytes.size(), blocking);
    }
    AudioTrackNative track;
    SLObjectItf player = nullptr;
};

TEST_F(Track, ClosedStreamRefusesEverythingAndCloseIsHarmless) {
    uint8_t byte = 0;
    EXPECT_EQ(-38, track.write(&byte, 1, true));
    EXPECT_EQ(-38, track.start());
    SLmillisecond ms = 7;
    EXPECT_EQ(-38, track.getPositionInMsec(&ms));
    EXPECT_EQ(0, track.flush());
    track.close();
    track.close();
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY));

    openStereo(2);
    track.close();
    track.close();
    EXPECT_EQ(-38, track.write(&byte, 1, false));
    EXPECT_EQ(0, track.buffersPending());
    EXPECT_TRUE(sonoraLog().empty());
}

TEST_F(Track, StreamsBorrowOneEngineAndTheLastCloseDestroysIt) {
    AudioTrackNative other;
    AudioRecordNative capture;
    openStereo(2);
    ASSERT_EQ(0, other.open(1, 44100, true, 4));
    ASSERT_EQ(0, capture.open(1, 16000, false, 2));
    EXPECT_EQ(1u, slhost_live_objects(SLHOST_KIND_ENGINE));
    EXPECT_EQ(2u, slhost_live_objects(SLHOST_KIND_OUTPUT_MIX));
    track.close();
    capture.close();
    EXPECT_EQ(1u, slhost_live_objects(SLHOST_KIND_ENGINE));
    other.close();
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY));
    openStereo(2);  // a new engine
    EXPECT_EQ(1u, slhost_live_objects(SLHOST_KIND_ENGINE));
    track.close();
}

TEST_F(Track, OpenFailuresLeaveItClosedAndGiveTheEngineBack) {
    AudioTrackNative holder;  // keeps the shared engine alive, so a leaked loan would show
    ASSERT_EQ(0, holder.open(1, 8000, false, 1));
    audiotest::failNext(SLHOST_OP_CREATE_AUDIO_PLAYER, SLHOST_KIND_PLAYER,
                        SL_RESULT_CONTENT_UNSUPPORTED);
    EXPECT_EQ(-38, track.open(2, 48000, false, 2));
    audiotest::failNext(SLHOST_OP_REGISTER_CALLBACK, SLHOST_KIND_PLAYER, SL_RESULT_INTERNAL_ERROR);
    EXPECT_EQ(-38, track.open(2, 48000, false, 2));
    EXPECT_FALSE(track.isOpen());
    EXPECT_EQ(1u, slhost_live_objects(SLHOST_KIND_PLAYER));
    holder.close();
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY)) << "the failed opens kept a loan";

    audiotest::failNext(SLHOST_OP_CREATE_ENGINE, SLHOST_KIND_ENGINE, SL_RESULT_MEMORY_FAILURE);
    EXPECT_EQ(-38, track.open(2, 48000, false, 2));
    // A rate OpenSL ES does not support is refused at creation.
    EXPECT_EQ(-38, track.open(2, 7000, false, 2));
    EXPECT_EQ((Log{warn("open error SL_RESULT_CONTENT_UNSUPPORTED"),
                   warn("open error SL_RESULT_INTERNAL_ERROR"),
                   audiotest::error("slCreateEngine() failed: SL_RESULT_MEMORY_FAILURE"),
                   warn("cannot create OpenSL ES engine"),
                   warn("open error SL_RESULT_CONTENT_UNSUPPORTED")}),
              sonoraLog());
    openStereo(2);  // the failed engine creation was not counted
    track.close();
}

TEST_F(Track, FullQueueRefusesNonBlockingAndBlockingWaitsForOneCompletion) {
    openStereo(2);
    EXPECT_EQ(int(kChunk), writeChunk(1, false));
    EXPECT_EQ(int(kChunk), writeChunk(2, false));
    EXPECT_EQ(0, writeChunk(3, false));
    EXPECT_EQ(2, track.buffersPending());
    EXPECT_EQ(2u, audiotest::infoOf(player).queued);

    int result = 0;
    audiotest::BoundedThread writer([&] { result = writeChunk(4, true); });
    audiotest::spinUntil([&] { return track.waitsBegun() == 1; });
    ASSERT_EQ(0, track.start());
    // Paused, the writer waits on: nothing completes.
    EXPECT_EQ(0, track.pause());
    EXPECT_EQ(0u, slhost_manual_advance(100));
    EXPECT_EQ(0, track.start());
    EXPECT_EQ(1u, slhost_manual_advance(20));
    writer.join();
    EXPECT_EQ(int(kChunk), result);
    EXPECT_EQ(2, track.buffersPending());
    EXPECT_EQ(2u, slhost_manual_advance(40));
    EXPECT_EQ(0, track.buffersPending());
    EXPECT_EQ(3 * kChunk, audiotest::infoOf(player).bytes);
    EXPECT_TRUE(sonoraLog().empty());
    track.close();
}

TEST_F(Track, StateChangesPositionAndRefusals) {
    openStereo(4);
    EXPECT_EQ(SL_PLAYSTATE_STOPPED, track.playState());
    for (uint8_t i = 0; i < 4; ++i)
        ASSERT_EQ(int(kChunk), writeChunk(i, false));
    ASSERT_EQ(0, track.start());
    slhost_manual_advance(30);
    SLmillisecond ms = 0;
    EXPECT_EQ(0, track.getPositionInMsec(&ms));
    EXPECT_EQ(30u, ms);
    EXPECT_EQ(0, track.pause());
    EXPECT_EQ(SL_PLAYSTATE_PAUSED, track.playState());

    audiotest::failNext(SLHOST_OP_SET_STATE, SLHOST_KIND_PLAYER, SL_RESULT_PRECONDITIONS_VIOLATED);
    EXPECT_EQ(-38, track.start());
    EXPECT_EQ(SL_PLAYSTATE_PAUSED, track.playState()) << "a refused state changes nothing";
    audiotest::failNext(SLHOST_OP_GET_POSITION, SLHOST_KIND_PLAYER, SL_RESULT_INTERNAL_ERROR);
    EXPECT_EQ(-38, track.getPositionInMsec(&ms));
    EXPECT_EQ(0, track.stop());
    EXPECT_EQ(0, track.getPositionInMsec(&ms));
    EXPECT_EQ(0u, ms);
    EXPECT_EQ((Log{warn("setPlayState 3 error SL_RESULT_PRECONDITIONS_VIOLATE"),
                   warn("getPosition error SL_RESULT_INTERNAL_ERROR")}),
              sonoraLog());
    track.close();
}

TEST_F(Track, FlushAndCloseReleaseABlockedWriter) {
    openStereo(1);
    ASSERT_EQ(int(kChunk), writeChunk(1, false));
    int result = -1;
    audiotest::BoundedThread writer([&] { result = writeChunk(2, true); });
    audiotest::spinUntil([&] { return track.waitsBegun() == 1; });
    EXPECT_EQ(0, track.flush());
    writer.join();
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, track.buffersPending());
    EXPECT_EQ(0u, audiotest::infoOf(player).queued);

    ASSERT_EQ(int(kChunk), writeChunk(3, false)) << "a flush leaves the stream usable";
    audiotest::BoundedThread second([&] { result = writeChunk(4, true); });
    audiotest::spinUntil([&] { return track.waitsBegun() == 2; });
    track.close();
    second.join();
    EXPECT_EQ(0, result);
    EXPECT_EQ((Log{warn("unable to deliver write"), warn("unable to deliver write")}), sonoraLog());
}

TEST_F(Track, WriterWokenAfterACloseQueuesNothing) {
    openStereo(1);
    ASSERT_EQ(int(kChunk), writeChunk(1, false));
    SLBufferQueueItf queue = audiotest::lastPlayerQueue();
    int result = 0;
    audiotest::BoundedThread writer([&] { result = writeChunk(2, true); });
    audiotest::spinUntil([&] { return track.waitsBegun() == 1; });
    {
        std::lock_guard<std::recursive_mutex> held(track.streamLock());
        // A completion that finds its buffer still queued (as after a flush) frees no copy,
        // but it wakes the writer, which must wait for the lock we hold.
        track.bufferQueueCallback(queue);
        EXPECT_EQ(1, track.buffersPending());
        track.close();
    }
    writer.join();
    EXPECT_EQ(-38, result);
    EXPECT_EQ((Log{warn("no delivered data!")}), sonoraLog());
}

// A wake-up that leaves the queue full (a late or duplicate completion) sends the writer back to
// waiting, and a completion landing between its reset and its wait is not lost.
TEST_F(Track, WakeUpsWithoutRoomWaitAgainAndNoCompletionIsLost) {
    openStereo(1);
    ASSERT_EQ(0, track.start());
    ASSERT_EQ(int(kChunk), writeChunk(1, false));
    SLBufferQueueItf queue = audiotest::lastPlayerQueue();
    int result = -1;
    audiotest::BoundedThread writer([&] { result = writeChunk(2, true); });
    audiotest::spinUntil([&] { return track.waitsBegun() == 1; });
    track.bufferQueueCallback(queue);  // nothing completed
    audiotest::spinUntil([&] { return track.waitsBegun() == 2; });
    {
        std::lock_guard<std::recursive_mutex> held(track.streamLock());
        track.bufferQueueCallback(queue);  // the woken writer waits for our lock, and so does
        EXPECT_EQ(1, slhost_manual_complete_next_async(player));  // this completion's callback
    }
    writer.join();
    EXPECT_EQ(int(kChunk), result);
    EXPECT_EQ((Log{warn("no delivered data!"), warn("no delivered data!")}), sonoraLog());
    track.close();
}

// Where OpenSL ES reports the buffers a stop or Clear drops, each report frees only a copy that
// OpenSL ES let go of, and only room wakes a waiting writer.
TEST_F(Track, ReportedDropsFreeOnlyReleasedCopies) {
    slhost_report_dropped_buffers(1);
    openStereo(2);
    ASSERT_EQ(0, track.start());
    for (uint8_t seed : {1, 2})
        ASSERT_EQ(int(kChunk), writeChunk(seed, false));
    int result = -1;
    audiotest::BoundedThread writer([&] { result = writeChunk(3, true); });
    audiotest::spinUntil([&] { return track.waitsBegun() == 1; });
    ASSERT_EQ(0, track.stop());  // drops both and reports them: room for the writer
    writer.join();
    EXPECT_EQ(int(kChunk), result);
    slhost_manual_wait_idle();
    ASSERT_EQ(0, track.flush());  // its report comes before or after the next two copies
    for (uint8_t seed : {4, 5})
        ASSERT_EQ(int(kChunk), writeChunk(seed, false));
    slhost_manual_wait_idle();
    ASSERT_EQ(0, track.start());
    EXPECT_EQ(2u, slhost_manual_advance(40));
    EXPECT_EQ(2 * kChunk, audiotest::infoOf(player).bytes);
    EXPECT_EQ((Log{warn("no delivered data!")}), sonoraLog());
    track.close();
}

// 32 objects per engine: 16 playback streams (player and output mix each) fill it.
TEST_F(Track, TheSeventeenthPlaybackStreamIsRefusedUntilOneCloses) {
    std::vector<AudioTrackNative> tracks(17);
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(0, tracks[i].open(2, 48000, false, 2)) << i;
    EXPECT_EQ(-38, tracks[16].open(2, 48000, false, 2));
    EXPECT_EQ((Log{warn("open error SL_RESULT_MEMORY_FAILURE")}), sonoraLog());
    tracks[0].close();
    EXPECT_EQ(0, tracks[16].open(2, 48000, false, 2));
}

TEST_F(Track, CompletionWithNothingQueuedStillWakesAndForeignQueueIsIgnored) {
    openStereo(2);
    SLBufferQueueItf queue = audiotest::lastPlayerQueue();
    track.bufferQueueCallback(reinterpret_cast<SLBufferQueueItf>(&queue));
    track.bufferQueueCallback(queue);
    EXPECT_EQ((Log{warn("invalid buffer queue interface, ignoring"), warn("no delivered data!")}),
              sonoraLog());
    track.close();
}

TEST_F(Track, LateCompletionOfAFlushedBufferFreesNoNewCopy) {
    openStereo(2);
    SLBufferQueueItf queue = audiotest::lastPlayerQueue();
    ASSERT_EQ(int(kChunk), writeChunk(1, false));
    ASSERT_EQ(0, track.start());
    EXPECT_EQ(0, track.flush());
    ASSERT_EQ(int(kChunk), writeChunk(2, false));
    // The completion of the flushed buffer, whose callback had started before the flush and
    // waited for the lock (the writer took the lock first), arrives now.
    track.bufferQueueCallback(queue);
    EXPECT_EQ(1, track.buffersPending()) << "the new copy is still being played";
    EXPECT_EQ(1u, slhost_manual_advance(20));
    EXPECT_EQ(0, track.buffersPending());
    EXPECT_EQ(kChunk, audiotest::infoOf(player).bytes);
    EXPECT_EQ((Log{warn("no delivered data!")}), sonoraLog());
    track.close();
}

TEST_F(Track, RefusedEnqueueIsNotPendingAndReturnsError) {
    openStereo(2);
    audiotest::failNext(SLHOST_OP_ENQUEUE, SLHOST_KIND_PLAYER, SL_RESULT_BUFFER_INSUFFICIENT);
    EXPECT_EQ(-38, writeChunk(1, false));
    EXPECT_EQ(0, track.buffersPending());
    EXPECT_EQ(int(kChunk), writeChunk(2, false));
    EXPECT_EQ(1, track.buffersPending());
    uint8_t none = 0;
    EXPECT_EQ(0, track.write(&none, 0, false)) << "an empty write queues nothing";
    EXPECT_EQ(1, track.buffersPending());
    EXPECT_EQ((Log{warn("Enqueue error SL_RESULT_BUFFER_INSUFFICIENT")}), sonoraLog());
    track.close();
}

TEST_F(Track, CloseGoesOnWhenStopAndClearAreRefused) {
    openStereo(2);
    ASSERT_EQ(int(kChunk), writeChunk(1, false));
    ASSERT_EQ(0, track.start());
    audiotest::failNext(SLHOST_OP_SET_STATE, SLHOST_KIND_PLAYER, SL_RESULT_INTERNAL_ERROR);
    audiotest::failNext(SLHOST_OP_CLEAR, SLHOST_KIND_PLAYER, SL_RESULT_INTERNAL_ERROR);
    track.close();
    EXPECT_EQ(SL_PLAYSTATE_STOPPED, track.playState());
    EXPECT_EQ(0, track.buffersPending()) << "copies go with the destroyed player";
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY));
    EXPECT_EQ((Log{warn("setPlayState 1 error SL_RESULT_INTERNAL_ERROR")}), sonoraLog());

    openStereo(2);
    ASSERT_EQ(int(kChunk), writeChunk(2, false));
    audiotest::failNext(SLHOST_OP_CLEAR, SLHOST_KIND_PLAYER, SL_RESULT_INTERNAL_ERROR);
    EXPECT_EQ(-38, track.flush());
    EXPECT_EQ(1, track.buffersPending()) << "a refused flush keeps the copies";
    track.close();
}

TEST_F(Track, LogsBufferState) {
    openStereo(3);
    ASSERT_EQ(int(kChunk), writeChunk(1, false));
    ASSERT_EQ(int(kChunk), writeChunk(2, false));
    track.logBufferState();
    EXPECT_EQ((Log{audiotest::debug("logBufferState state.count:2  state.playIndex:0")}),
              sonoraLog());
    track.close();
}

}  // namespace
