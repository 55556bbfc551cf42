// One engine and its objects used from several threads at once (run under ThreadSanitizer in
// the tsan preset).
#include "sl_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using sltest::Callbacks;

// One worker: its own player and recorder on the process's one engine; callbacks keep both queues
// full while the worker completes buffers, and a second thread moves the shared manual clock
// meanwhile.
void Work(const sltest::Engine &shared, int rounds, uint64_t *player_done, uint64_t *rec_done,
          size_t *player_calls, size_t *rec_calls) {
    const auto format = sltest::pcm16(2, 16000);
    std::vector<uint8_t> buf(64 * 4);  // 2 ms
    sltest::Player player(shared, &format, 4);
    sltest::Recorder rec(shared, &format, 4);
    Callbacks pcb, rcb;
    pcb.action = [&](const void *q) {
        auto queue = static_cast<SLBufferQueueItf>(const_cast<void *>(q));
        (*queue)->Enqueue(queue, buf.data(), static_cast<SLuint32>(buf.size()));
    };
    std::vector<uint8_t> rbuf(buf.size() * 4);
    rcb.action = [&](const void *q) {
        auto queue = static_cast<SLAndroidSimpleBufferQueueItf>(const_cast<void *>(q));
        (*queue)->Enqueue(queue, rbuf.data(), static_cast<SLuint32>(buf.size()));
    };
    (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &pcb);
    (*rec.queue)->RegisterCallback(rec.queue, Callbacks::on_android, &rcb);
    for (int i = 0; i < 4; ++i) {
        (*player.queue)->Enqueue(player.queue, buf.data(), static_cast<SLuint32>(buf.size()));
        (*rec.queue)->Enqueue(rec.queue, rbuf.data(), static_cast<SLuint32>(buf.size()));
    }
    (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING);
    (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_RECORDING);
    for (int i = 0; i < rounds; ++i) {
        slhost_manual_complete_next(player.object);
        slhost_manual_complete_next(rec.object);
        SLmillisecond ms;
        (*player.play)->GetPosition(player.play, &ms);
    }
    (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_STOPPED);
    (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_STOPPED);
    slhost_manual_wait_idle();
    slhost_object_info info{};
    slhost_object_info_get(player.object, &info);
    *player_done = info.completed;
    slhost_object_info_get(rec.object, &info);
    *rec_done = info.completed;
    player.destroy();
    rec.destroy();
    *player_calls = pcb.count();
    *rec_calls = rcb.count();
}

TEST(Concurrency, EnginesAndObjectsOnSeveralThreadsEachGetEveryCallback) {
    constexpr int kWorkers = 4;
    constexpr int kRounds = 50;
    sltest::Engine shared;
    std::atomic<bool> stop{false};
    std::thread clock([&] {
        while (!stop) {
            slhost_manual_advance(1);
            slhost_live_objects(SLHOST_KIND_ANY);
            slhost_object_info info{};
            slhost_object_info_get(slhost_last_object(SLHOST_KIND_PLAYER), &info);
        }
    });
    uint64_t pdone[kWorkers], rdone[kWorkers];
    size_t pcalls[kWorkers], rcalls[kWorkers];
    std::vector<std::thread> workers;
    for (int i = 0; i < kWorkers; ++i) {
        workers.emplace_back(Work, std::cref(shared), kRounds, &pdone[i], &rdone[i], &pcalls[i],
                             &rcalls[i]);
    }
    for (auto &w : workers) {
        w.join();
    }
    stop = true;
    clock.join();
    for (int i = 0; i < kWorkers; ++i) {
        SCOPED_TRACE(i);
        // Every buffer completed was reported once; the worker completed at least its rounds.
        EXPECT_GE(pdone[i], static_cast<uint64_t>(kRounds));
        EXPECT_EQ(pdone[i], pcalls[i]);
        EXPECT_GE(rdone[i], static_cast<uint64_t>(kRounds));
        EXPECT_EQ(rdone[i], rcalls[i]);
    }
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_PLAYER));
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_RECORDER));
}

}  // namespace
