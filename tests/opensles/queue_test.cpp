// Buffer queues on the manual clock: one callback per completed buffer in enqueue order on the
// layer's thread, the queue-full result, Clear, paused and stopped objects holding their
// buffers, and the position.
#include "sl_test_support.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

using sltest::Callbacks;
using sltest::Engine;
using sltest::Player;
using sltest::Recorder;

// 16-bit mono at 8000 Hz: 16 bytes a millisecond.
constexpr SLuint32 kBytesPerMs = 16;

class Queue : public ::testing::Test {
  protected:
    void TearDown() override { slhost_reset(); }
    SLuint32 queued(SLObjectItf object) {
        slhost_object_info info{};
        EXPECT_EQ(0, slhost_object_info_get(object, &info));
        return info.queued;
    }
    Engine engine;
    SLAndroidDataFormat_PCM_EX format = sltest::pcm16(1, 8000);
};

TEST_F(Queue, RecorderFillsBuffersInEnqueueOrderOneCallbackEachOnItsOwnThread) {
    ASSERT_EQ(0, slhost_set_capture_source("counter"));
    Recorder rec(engine, &format, 4);
    Callbacks cb;
    // The count a callback reads already leaves its buffer out, as on Android's: the library
    // tells a completion from a flush's leftover by it.
    std::vector<SLuint32> counts_seen;
    cb.action = [&](const void *) {
        SLAndroidSimpleBufferQueueState seen{};
        (*rec.queue)->GetState(rec.queue, &seen);
        counts_seen.push_back(seen.count);
    };
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.queue)->RegisterCallback(rec.queue, Callbacks::on_android, &cb));
    std::vector<uint8_t> a(32), b(16), c(32);
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.queue)->Enqueue(rec.queue, a.data(), 32));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.queue)->Enqueue(rec.queue, b.data(), 16));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.queue)->Enqueue(rec.queue, c.data(), 32));
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_RECORDING));

    // 2 ms fill the first buffer only: one callback.
    EXPECT_EQ(1u, slhost_manual_advance(2));
    EXPECT_EQ(2u, slhost_manual_advance(3));
    std::vector<uint8_t> expect(80);
    std::iota(expect.begin(), expect.end(), 0);
    EXPECT_EQ(std::vector<uint8_t>(expect.begin(), expect.begin() + 32), a);
    EXPECT_EQ(std::vector<uint8_t>(expect.begin() + 32, expect.begin() + 48), b);
    EXPECT_EQ(std::vector<uint8_t>(expect.begin() + 48, expect.end()), c);

    ASSERT_EQ(3u, counts_seen.size());
    for (SLuint32 i = 0; i < 3; ++i)
        EXPECT_LE(counts_seen[i], 2 - i) << "callback " << i;
    const auto calls = cb.calls();
    ASSERT_EQ(3u, calls.size());
    for (const auto &call : calls) {
        EXPECT_EQ(static_cast<const void *>(rec.queue), call.queue);
        EXPECT_EQ(calls[0].thread, call.thread);
        EXPECT_NE(std::this_thread::get_id(), call.thread);
    }
    SLAndroidSimpleBufferQueueState state{};
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.queue)->GetState(rec.queue, &state));
    EXPECT_EQ(0u, state.count);
    EXPECT_EQ(3u, state.index);
    SLmillisecond ms = 0;
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.record)->GetPosition(rec.record, &ms));
    EXPECT_EQ(5u, ms);
}

TEST_F(Queue, PlayerCallbackEnqueuingAgainIsServedFromTheTimeLeft) {
    Player player(engine, &format, 2);
    Callbacks cb;
    std::vector<uint8_t> buf(10 * kBytesPerMs);
    int refills = 3;
    cb.action = [&](const void *) {
        if (refills-- > 0) {
            EXPECT_EQ(SL_RESULT_SUCCESS,
                      (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
        }
    };
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &cb));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));
    // 35 ms: the first buffer and two refills complete, the third refill is half played.
    EXPECT_EQ(3u, slhost_manual_advance(35));
    SLmillisecond ms = 0;
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->GetPosition(player.play, &ms));
    EXPECT_EQ(35u, ms);
    EXPECT_EQ(1u, queued(player.object));
    // Time with nothing queued is lost; it does not make up for the underrun later.
    EXPECT_EQ(1u, slhost_manual_advance(100));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    EXPECT_EQ(0u, slhost_manual_advance(9));
    EXPECT_EQ(1u, slhost_manual_advance(1));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->GetPosition(player.play, &ms));
    EXPECT_EQ(50u, ms);
}

TEST_F(Queue, EnqueueRefusesWhenNumBuffersAreQueued) {
    Player player(engine, &format, 2);
    std::vector<uint8_t> buf(kBytesPerMs);
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    EXPECT_EQ(SL_RESULT_BUFFER_INSUFFICIENT,
              (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    EXPECT_EQ(SL_RESULT_PARAMETER_INVALID, (*player.queue)->Enqueue(player.queue, nullptr, 16));
    EXPECT_EQ(SL_RESULT_PARAMETER_INVALID, (*player.queue)->Enqueue(player.queue, buf.data(), 0));
    SLBufferQueueState state{};
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->GetState(player.queue, &state));
    EXPECT_EQ(2u, state.count);

    // A buffer whose callback runs no longer counts.
    Callbacks cb;
    cb.hold();
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &cb));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));
    ASSERT_EQ(1, slhost_manual_complete_next_async(player.object));
    cb.wait_running();
    EXPECT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    EXPECT_EQ(SL_RESULT_BUFFER_INSUFFICIENT,
              (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    cb.release();
    slhost_manual_wait_idle();
    EXPECT_EQ(1u, cb.count());
}

TEST_F(Queue, PausedOrStoppedObjectsHoldTheirBuffersAndStoppingRewindsThePosition) {
    Player player(engine, &format, 4);
    Callbacks cb;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &cb));
    std::vector<uint8_t> buf(20 * kBytesPerMs);
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));

    EXPECT_EQ(0u, slhost_manual_advance(100));  // stopped
    EXPECT_EQ(0, slhost_manual_complete_next(player.object));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));
    EXPECT_EQ(0u, slhost_manual_advance(5));  // a part of a buffer counts toward the position
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PAUSED));
    EXPECT_EQ(0u, slhost_manual_advance(100));
    EXPECT_EQ(0, slhost_manual_complete_next(player.object));
    SLuint32 st = 0;
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->GetPlayState(player.play, &st));
    EXPECT_EQ(SL_PLAYSTATE_PAUSED, st);
    SLmillisecond ms = 0;
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->GetPosition(player.play, &ms));
    EXPECT_EQ(5u, ms);
    EXPECT_EQ(2u, queued(player.object));

    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));
    EXPECT_EQ(1u, slhost_manual_advance(15));  // the rest of the first buffer
    EXPECT_EQ(1, slhost_manual_complete_next(player.object));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->GetPosition(player.play, &ms));
    EXPECT_EQ(40u, ms);
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_STOPPED));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->GetPosition(player.play, &ms));
    EXPECT_EQ(0u, ms);
    EXPECT_EQ(SL_RESULT_PARAMETER_INVALID, (*player.play)->SetPlayState(player.play, 4));
    EXPECT_EQ(2u, cb.count());
}

TEST_F(Queue, ClearDropsQueuedBuffersAndCompletionsWhoseCallbackHasNotStarted) {
    Player player(engine, &format, 4);
    Callbacks cb;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &cb));
    std::vector<uint8_t> buf(10 * kBytesPerMs);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(SL_RESULT_SUCCESS,
                  (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    }
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));
    cb.hold();
    // The first callback runs (held); the second buffer completes, its callback is due.
    ASSERT_EQ(1, slhost_manual_complete_next_async(player.object));
    cb.wait_running();
    ASSERT_EQ(1, slhost_manual_complete_next_async(player.object));
    slhost_manual_advance_async(5);  // the third is half played
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Clear(player.queue));
    EXPECT_EQ(0u, queued(player.object));
    cb.release();
    slhost_manual_wait_idle();
    EXPECT_EQ(0u, slhost_manual_advance(100));
    EXPECT_EQ(1u, cb.count());
    EXPECT_FALSE(cb.timed_out());

    // The queue takes buffers again at once.
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    EXPECT_EQ(1u, slhost_manual_advance(10));
    EXPECT_EQ(2u, cb.count());
}

}  // namespace
