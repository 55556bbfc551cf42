// Callbacks against the object's life: Destroy waits for a running callback, RegisterCallback
// with none does not, and no lock of the layer is held while a callback runs.
#include "sl_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using sltest::Callbacks;
using sltest::Engine;
using sltest::Player;
using sltest::Recorder;

class Callback : public ::testing::Test {
  protected:
    void TearDown() override { slhost_reset(); }
    Engine engine;
    SLAndroidDataFormat_PCM_EX format = sltest::pcm16(2, 48000);
    std::vector<uint8_t> buf = std::vector<uint8_t>(1920);  // 10 ms
};

TEST_F(Callback, DestroyWaitsForTheRunningCallbackAndNoneRunsAfterIt) {
    Player player(engine, &format, 4);
    Callbacks cb;
    std::atomic<bool> returned{false};
    cb.action = [&](const void *) { returned = true; };
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &cb));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(SL_RESULT_SUCCESS,
                  (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    }
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));
    cb.hold();
    ASSERT_EQ(1, slhost_manual_complete_next_async(player.object));
    cb.wait_running();
    ASSERT_EQ(1, slhost_manual_complete_next_async(player.object));  // due, not started

    bool returned_before_destroy_ended = false;
    std::thread destroyer([&] {
        (*player.object)->Destroy(player.object);
        returned_before_destroy_ended = returned.load();
    });
    // Destroy has begun once the object is off the live list; only then is the callback let go.
    sltest::spin_until([] { return slhost_live_objects(SLHOST_KIND_PLAYER) == 0; });
    cb.release();
    destroyer.join();
    player.object = nullptr;
    EXPECT_TRUE(returned_before_destroy_ended);
    EXPECT_EQ(1u, cb.count());
    EXPECT_FALSE(cb.timed_out());
    EXPECT_EQ(-1, slhost_manual_complete_next(player.object));
}

TEST_F(Callback, UnregisteringDoesNotWaitForTheRunningCallbackAndStartsNoNewOne) {
    ASSERT_EQ(0, slhost_set_capture_source("counter"));
    Recorder rec(engine, &format, 4);
    Callbacks cb;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.queue)->RegisterCallback(rec.queue, Callbacks::on_android, &cb));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.queue)->Enqueue(rec.queue, buf.data(), buf.size()));
    }
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_RECORDING));
    cb.hold();
    ASSERT_EQ(1, slhost_manual_complete_next_async(rec.object));
    cb.wait_running();
    ASSERT_EQ(1, slhost_manual_complete_next_async(rec.object));

    // Registering is refused unless stopped, as on a phone.
    EXPECT_EQ(SL_RESULT_PRECONDITIONS_VIOLATED,
              (*rec.queue)->RegisterCallback(rec.queue, nullptr, nullptr));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_STOPPED));
    // Returns while the callback is still held: it does not wait for it.
    EXPECT_EQ(SL_RESULT_SUCCESS, (*rec.queue)->RegisterCallback(rec.queue, nullptr, nullptr));
    EXPECT_EQ(1, cb.running());
    cb.release();
    slhost_manual_wait_idle();
    EXPECT_EQ(1u, cb.count());
    EXPECT_FALSE(cb.timed_out());
    slhost_object_info info{};
    ASSERT_EQ(0, slhost_object_info_get(rec.object, &info));
    EXPECT_EQ(2u, info.completed);
    EXPECT_EQ(1u, info.queued);
}

TEST_F(Callback, CallbackMayUseItsObjectAndOthersMayWhileItRuns) {
    Player player(engine, &format, 2);
    Callbacks cb;
    std::vector<SLresult> inside;
    cb.action = [&](const void *queue) {
        auto q = static_cast<SLBufferQueueItf>(const_cast<void *>(queue));
        inside.push_back((*q)->Enqueue(q, buf.data(), buf.size()));
        SLBufferQueueState st{};
        inside.push_back((*q)->GetState(q, &st));
        inside.push_back((*q)->Clear(q));
        inside.push_back((*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PAUSED));
        SLmillisecond ms;
        inside.push_back((*player.play)->GetPosition(player.play, &ms));
    };
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &cb));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));

    cb.hold();
    ASSERT_EQ(1, slhost_manual_complete_next_async(player.object));
    cb.wait_running();
    // Another thread (this one) uses the object while the callback runs.
    EXPECT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    SLuint32 st = 0;
    EXPECT_EQ(SL_RESULT_SUCCESS, (*player.play)->GetPlayState(player.play, &st));
    EXPECT_EQ(SL_PLAYSTATE_PLAYING, st);
    cb.release();
    slhost_manual_wait_idle();
    EXPECT_EQ((std::vector<SLresult>{SL_RESULT_BUFFER_INSUFFICIENT, SL_RESULT_SUCCESS,
                                     SL_RESULT_SUCCESS, SL_RESULT_SUCCESS, SL_RESULT_SUCCESS}),
              inside);
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->GetPlayState(player.play, &st));
    EXPECT_EQ(SL_PLAYSTATE_PAUSED, st);
    EXPECT_EQ(1u, cb.count());
}

TEST_F(Callback, ObjectDestroyedFromItsOwnCallbackEndsCleanly) {
    Player player(engine, &format, 2);
    Callbacks cb;
    cb.action = [&](const void *) { (*player.object)->Destroy(player.object); };
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &cb));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));
    slhost_manual_advance_async(10);
    cb.wait_for(1);
    player.object = nullptr;
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_PLAYER));
    EXPECT_EQ(1u, cb.count());
}

}  // namespace
