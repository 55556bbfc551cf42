// libsonora's hot paths on the host OpenSL ES layer's manual back end: the cost of a write
// against the malloc+memcpy it must do anyway, and how fast a completion releases a blocked
// writer or reader against a bare condition-variable hand-off between two threads.
#include "audio_record_native.h"
#include "audio_track_native.h"

#include <SLES/OpenSLES.h>
#include <benchmark/benchmark.h>
#include <opensles_host/test_control.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kChunk = 3840;  // 20 ms of 48 kHz stereo 16-bit
constexpr int kBatch = 4;        // writes between two flushes: a usual queue length

// ---------------------------------------------------------------------------- write cost

// Freeing a batch of 3840-byte blocks would otherwise give the top of the heap back to the
// system after every batch and fault it in again on the next: both cases keep it.
const int kKeepHeap = mallopt(M_TRIM_THRESHOLD, 64 << 20);

void BM_MallocMemcpy3840(benchmark::State &state) {
    std::vector<uint8_t> src(kChunk, 0x5A);
    std::vector<void *> held(kBatch);
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            held[i] = malloc(kChunk);
            memcpy(held[i], src.data(), kChunk);
            benchmark::DoNotOptimize(held[i]);
        }
        for (void *p : held)
            free(p);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_MallocMemcpy3840);

// The work a write cannot avoid: the copy in a malloc block wrapped in its make_shared record
// (two allocations, one copy), then both released as a completion releases them.
void BM_RecordMallocMemcpy3840(benchmark::State &state) {
    std::vector<uint8_t> src(kChunk, 0x5A);
    std::vector<std::shared_ptr<android::BlobReadOnly>> held(kBatch);
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            void *copy = malloc(kChunk);
            memcpy(copy, src.data(), kChunk);
            held[i] = std::make_shared<android::BlobReadOnly>(
                copy, static_cast<const uint8_t *>(copy), kChunk);
            benchmark::DoNotOptimize(held[i].get());
        }
        for (auto &r : held)
            r.reset();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_RecordMallocMemcpy3840);

// The two locks a write takes in their order (a plain mutex, then a recursive one), uncontended:
// what a write costs beyond the baseline above even if it did nothing else.
void BM_WriteLocks(benchmark::State &state) {
    std::mutex writeLock;
    std::recursive_mutex lock;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            std::lock_guard<std::mutex> writing(writeLock);
            std::lock_guard<std::recursive_mutex> held(lock);
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_WriteLocks);

// kBatch non-blocking writes into a stopped track, then a flush that frees the copies (as
// their completions would).
void BM_TrackWrite3840(benchmark::State &state) {
    slhost_set_backend("manual");
    AudioTrackNative track;
    if (track.open(2, 48000, false, kBatch) != 0) {
        state.SkipWithError("open failed");
        return;
    }
    std::vector<uint8_t> src(kChunk, 0x5A);
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            benchmark::DoNotOptimize(track.write(src.data(), kChunk, false));
        track.flush();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_TrackWrite3840);

// The host layer's own share of a write: kBatch Enqueues of one buffer, then a Clear.
void BM_HostEnqueue3840(benchmark::State &state);
BENCHMARK(BM_HostEnqueue3840);

// ------------------------------------------------------------------------- wake-up latency

void reportLatencies(benchmark::State &state, std::vector<double> &us) {
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    const auto at = [&](size_t pct) { return us[std::min(us.size() - 1, us.size() * pct / 100)]; };
    state.counters["median_us"] = at(50);
    state.counters["p99_us"] = at(99);
    // The rest of the distribution, for plots.
    for (size_t pct : {5, 10, 25, 75, 90, 95})
        state.counters["p" + std::to_string(pct) + "_us"] = at(pct);
}

// One thread sets a flag and notifies; the other, waiting on the condition, notes the time.
void BM_BareHandOff(benchmark::State &state) {
    std::mutex m;
    std::condition_variable cv;
    uint64_t posted = 0, seen = 0;
    bool quit = false;
    std::atomic<uint64_t> waiting{0};
    Clock::time_point woke;
    std::thread waiter([&] {
        std::unique_lock<std::mutex> lock(m);
        for (;;) {
            waiting.store(seen + 1);
            cv.wait(lock, [&] { return posted > seen || quit; });
            if (quit)
                return;
            woke = Clock::now();
            seen = posted;
            cv.notify_all();
        }
    });
    std::vector<double> us;
    for (auto _ : state) {
        while (waiting.load() != posted + 1)
            std::this_thread::yield();
        std::unique_lock<std::mutex> lock(m);
        const auto t0 = Clock::now();
        ++posted;
        cv.notify_all();
        cv.wait(lock, [&] { return seen == posted; });
        const double d = std::chrono::duration<double, std::micro>(woke - t0).count();
        us.push_back(d);
        state.SetIterationTime(d / 1e6);
    }
    {
        std::lock_guard<std::mutex> lock(m);
        quit = true;
    }
    cv.notify_all();
    waiter.join();
    reportLatencies(state, us);
}
BENCHMARK(BM_BareHandOff)->UseManualTime()->Iterations(5000);

// From asking the manual clock to complete a buffer to the callback's first instruction: the
// host layer's own hand-off to its thread, which the stream paths below include.
struct RawCallback {
    std::atomic<uint64_t> calls{0};
    Clock::time_point at;
    static void on(SLBufferQueueItf, void *self) {
        auto *r = static_cast<RawCallback *>(self);
        r->at = Clock::now();
        r->calls.fetch_add(1);
    }
};

// A player made straight on the host layer, stopped, with a callback that notes its time.
struct RawPlayer {
    explicit RawPlayer(SLuint32 numBuffers) {
        slhost_set_backend("manual");
        engine = android::OpenSLEngine(false);
        SLEngineItf itf = nullptr;
        (*engine)->GetInterface(engine, SL_IID_ENGINE, &itf);
        (*itf)->CreateOutputMix(itf, &mix, 0, nullptr, nullptr);
        (*mix)->Realize(mix, SL_BOOLEAN_FALSE);
        android::PcmFormat format = android::makePcmFormat(2, 48000, false);
        SLDataLocator_BufferQueue loc{SL_DATALOCATOR_BUFFERQUEUE, numBuffers};
        SLDataSource src{&loc, &format};
        SLDataLocator_OutputMix out{SL_DATALOCATOR_OUTPUTMIX, mix};
        SLDataSink sink{&out, nullptr};
        const SLInterfaceID ids[] = {SL_IID_BUFFERQUEUE};
        const SLboolean req[] = {SL_BOOLEAN_TRUE};
        (*itf)->CreateAudioPlayer(itf, &player, &src, &sink, 1, ids, req);
        (*player)->Realize(player, SL_BOOLEAN_FALSE);
        (*player)->GetInterface(player, SL_IID_PLAY, &play);
        (*player)->GetInterface(player, SL_IID_BUFFERQUEUE, &queue);
        (*queue)->RegisterCallback(queue, RawCallback::on, &callback);
    }
    ~RawPlayer() {
        slhost_manual_wait_idle();
        (*player)->Destroy(player);
        (*mix)->Destroy(mix);
        android::CloseSLEngine(engine);
    }
    SLObjectItf engine = nullptr, mix = nullptr, player = nullptr;
    SLPlayItf play = nullptr;
    SLBufferQueueItf queue = nullptr;
    RawCallback callback;
};

void BM_HostCompletionToCallback(benchmark::State &state) {
    RawPlayer raw(2);
    (*raw.play)->SetPlayState(raw.play, SL_PLAYSTATE_PLAYING);
    std::vector<uint8_t> pcm(kChunk);
    std::vector<double> us;
    for (auto _ : state) {
        (*raw.queue)->Enqueue(raw.queue, pcm.data(), kChunk);
        const uint64_t before = raw.callback.calls.load();
        const auto t0 = Clock::now();
        slhost_manual_complete_next_async(raw.player);
        while (raw.callback.calls.load() == before)
            std::this_thread::yield();
        const double d = std::chrono::duration<double, std::micro>(raw.callback.at - t0).count();
        us.push_back(d);
        state.SetIterationTime(d / 1e6);
    }
    reportLatencies(state, us);
}
BENCHMARK(BM_HostCompletionToCallback)->UseManualTime()->Iterations(5000);

void BM_HostEnqueue3840(benchmark::State &state) {
    RawPlayer raw(kBatch);
    std::vector<uint8_t> pcm(kChunk);
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            benchmark::DoNotOptimize((*raw.queue)->Enqueue(raw.queue, pcm.data(), kChunk));
        (*raw.queue)->Clear(raw.queue);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

// A writer blocked on a full queue (one buffer) returns after the buffer completes.
void BM_CompletionToBlockedWriter(benchmark::State &state) {
    slhost_set_backend("manual");
    AudioTrackNative track;
    track.open(2, 48000, false, 1);
    track.start();
    SLObjectItf player = slhost_last_object(SLHOST_KIND_PLAYER);
    std::vector<uint8_t> pcm(kChunk);
    track.write(pcm.data(), kChunk, false);
    std::atomic<uint64_t> returned{0};
    std::atomic<bool> quit{false};
    Clock::time_point back;
    std::thread writer([&] {
        while (!quit.load()) {
            if (track.write(pcm.data(), kChunk, true) <= 0)
                continue;
            back = Clock::now();
            returned.fetch_add(1);
        }
    });
    std::vector<double> us;
    uint64_t n = 0;
    for (auto _ : state) {
        while (track.waitsBegun() != n + 1)
            std::this_thread::yield();
        const auto t0 = Clock::now();
        slhost_manual_complete_next_async(player);
        while (returned.load() != n + 1)
            std::this_thread::yield();
        ++n;
        const double d = std::chrono::duration<double, std::micro>(back - t0).count();
        us.push_back(d);
        state.SetIterationTime(d / 1e6);
    }
    quit.store(true);
    while (track.waitsBegun() != n + 1)
        std::this_thread::yield();
    track.close();  // releases the last wait
    writer.join();
    slhost_manual_wait_idle();
    reportLatencies(state, us);
}
BENCHMARK(BM_CompletionToBlockedWriter)->UseManualTime()->Iterations(5000);

// A reader blocked for one buffer's bytes receives them straight from the callback (one copy).
void BM_CompletionToBlockedReader(benchmark::State &state) {
    slhost_set_backend("manual");
    AudioRecordNative rec;
    rec.open(2, 48000, false, 4);
    rec.start();
    SLObjectItf recorder = slhost_last_object(SLHOST_KIND_RECORDER);
    std::atomic<uint64_t> returned{0};
    std::atomic<bool> quit{false};
    Clock::time_point back;
    std::thread reader([&] {
        std::vector<uint8_t> in(kChunk);
        while (!quit.load()) {
            if (rec.read(in.data(), kChunk, true) <= 0)
                continue;
            back = Clock::now();
            returned.fetch_add(1);
        }
    });
    std::vector<double> us;
    uint64_t n = 0;
    for (auto _ : state) {
        while (rec.waitsBegun() != n + 1)
            std::this_thread::yield();
        const auto t0 = Clock::now();
        slhost_manual_complete_next_async(recorder);
        while (returned.load() != n + 1)
            std::this_thread::yield();
        ++n;
        const double d = std::chrono::duration<double, std::micro>(back - t0).count();
        us.push_back(d);
        state.SetIterationTime(d / 1e6);
    }
    quit.store(true);
    while (rec.waitsBegun() != n + 1)
        std::this_thread::yield();
    rec.close();
    reader.join();
    slhost_manual_wait_idle();
    reportLatencies(state, us);
}
BENCHMARK(BM_CompletionToBlockedReader)->UseManualTime()->Iterations(5000);

// --------------------------------------------------------------------------- capture copies

void BM_Memcpy3840(benchmark::State &state) {
    std::vector<uint8_t> a(kChunk, 1), b(kChunk);
    for (auto _ : state) {
        memcpy(b.data(), a.data(), kChunk);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kChunk));
}
BENCHMARK(BM_Memcpy3840);

// A reader that was not waiting: one 3840-byte buffer, filled by the recorder, copied once
// from the ready queue into the caller's memory. The fill itself runs outside the timing.
void BM_ReadFromReadyQueue(benchmark::State &state) {
    slhost_set_backend("manual");
    AudioRecordNative rec;
    rec.open(2, 48000, false, 2);
    rec.start();
    std::vector<uint8_t> in(kChunk);
    for (auto _ : state) {
        state.PauseTiming();
        slhost_manual_advance(20);
        state.ResumeTiming();
        benchmark::DoNotOptimize(rec.read(in.data(), kChunk, false));
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kChunk));
    rec.close();
}
BENCHMARK(BM_ReadFromReadyQueue);

}  // namespace

// A process that plays or records sound always has more than one thread (OpenSL ES calls back
// on its own), and glibc then takes its atomic paths for every mutex and malloc's arena lock.
// One thread started and joined before any benchmark puts the baselines on that same footing;
// otherwise the first ones would run on the single-threaded shortcuts the streams never see.
int main(int argc, char **argv) {
    std::thread([] {}).join();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
