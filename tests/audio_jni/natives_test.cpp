// The audio natives without a VM, under the sanitizers: conversions, argument checks, element
// access that fails, and a handle destroyed while a call still uses its stream.
#include "../audio/bounded_thread.h"
#include "audio_jni.h"
#include "audio_track_native.h"
#include "fake_jni.h"
#include "log_capture.h"
#include "stream_handle.h"

#include <android/log.h>
#include <gtest/gtest.h>
#include <opensles_host/test_control.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <utility>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

// Allocations the test thread may still make before operator new throws; negative: no limit.
// With t_failOnce only that one allocation fails.
thread_local long t_allocationsLeft = -1;
thread_local bool t_failOnce = false;
void *allocate(std::size_t size) {
    if (t_allocationsLeft == 0) {
        if (t_failOnce)
            t_allocationsLeft = -1;
        throw std::bad_alloc();
    }
    if (t_allocationsLeft > 0)
        --t_allocationsLeft;
    if (void *p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void *operator new(std::size_t size) {
    return allocate(size);
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    return t_allocationsLeft == 0 ? nullptr : allocate(size);
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void *p, const std::nothrow_t &) noexcept {
    std::free(p);
}

namespace audiojnitest {
namespace {

using orvtest::LogCapture;

constexpr int kRecordBuffer = 1920;  // 20 ms, 48 kHz mono 16-bit
constexpr int kTrackBuffer = 3840;   // 20 ms, 48 kHz stereo 16-bit

class AudioNatives : public ::testing::Test {
  protected:
    void SetUp() override {
        slhost_reset();
        slhost_set_capture_source("counter");
    }
    void TearDown() override {
        slhost_reset();
        EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY));
    }
    JNIEnv *env = fakeEnv();
    LogCapture log;
};

struct Record {
    JNIEnv *env;
    jlong h = Java_com_orv_media_audio_AudioRecordNative_nativeCreateRecord(env, nullptr);
    ~Record() { Java_com_orv_media_audio_AudioRecordNative_nativeDestroyRecord(env, nullptr, h); }
    jint open(jint channels, jint rate, jboolean useFloat, jint n) {
        return Java_com_orv_media_audio_AudioRecordNative_nativeOpen(env, nullptr, h, channels,
                                                                     rate, useFloat, n);
    }
    jint start() { return Java_com_orv_media_audio_AudioRecordNative_nativeStart(env, nullptr, h); }
    jint pending() {
        return Java_com_orv_media_audio_AudioRecordNative_nativeGetBuffersPending(env, nullptr, h);
    }
    jint readBytes(FakeArray &a, jint offset, jint size, jboolean blocking) {
        return Java_com_orv_media_audio_AudioRecordNative_nativeReadByteArray(
            env, nullptr, h, a.ref<jbyteArray>(), offset, size, blocking);
    }
    jint readShorts(FakeArray &a, jint offset, jint count, jboolean blocking) {
        return Java_com_orv_media_audio_AudioRecordNative_nativeReadShortArray(
            env, nullptr, h, a.ref<jshortArray>(), offset, count, blocking);
    }
    jint readFloats(FakeArray &a, jint offset, jint count, jboolean blocking) {
        return Java_com_orv_media_audio_AudioRecordNative_nativeReadFloatArray(
            env, nullptr, h, a.ref<jfloatArray>(), offset, count, blocking);
    }
};

uint8_t counterByte(size_t n) {
    return static_cast<uint8_t>(n & 0xFF);
}

TEST_F(AudioNatives, ReadsConvertByteCountsToElementsAndWriteFromTheOffset) {
    Record r{env};
    ASSERT_EQ(0, r.open(1, 48000, false, 4));
    ASSERT_EQ(0, r.start());
    ASSERT_EQ(1u, slhost_manual_advance(20));

    FakeArray shorts(110, 2);
    shorts.javaWrites = 1;                             // outside the range read: kept
    EXPECT_EQ(100, r.readShorts(shorts, 10, 100, 2));  // bit 0 clear: not blocking
    for (size_t i = 0; i < 20; ++i)
        EXPECT_EQ(i == 1 ? 0x5A : 0, shorts.bytes[i]) << i;
    for (size_t i = 0; i < 200; ++i)
        EXPECT_EQ(counterByte(i), shorts.bytes[20 + i]) << i;
    EXPECT_EQ(1, shorts.gets);
    EXPECT_EQ(1, shorts.releases);
    EXPECT_EQ(JNI_ABORT, shorts.lastReleaseMode);  // the range read was stored on its own

    FakeArray bytes(kRecordBuffer, 1);
    EXPECT_EQ(kRecordBuffer - 206, r.readBytes(bytes, 0, kRecordBuffer - 206, 0));
    FakeArray floats(2, 4);
    EXPECT_EQ(1, r.readFloats(floats, 0, 2, 0));  // 6 bytes were left
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(counterByte(kRecordBuffer - 6 + i), floats.bytes[i]);
    EXPECT_EQ(0, r.pending());
}

TEST_F(AudioNatives, BadRangesAndNullArraysTouchNothing) {
    Record r{env};
    ASSERT_EQ(0, r.open(1, 48000, false, 4));
    ASSERT_EQ(0, r.start());
    ASSERT_EQ(1u, slhost_manual_advance(20));
    FakeArray bytes(8, 1);
    EXPECT_EQ(-22, r.readBytes(bytes, -1, 2, 0));
    EXPECT_EQ(-22, r.readBytes(bytes, 0, -2, 0));
    EXPECT_EQ(-22, r.readBytes(bytes, 7, 2, 0));
    EXPECT_EQ(-22, r.readBytes(bytes, 0x7fffffff, 0x7fffffff, 0));
    FakeArray floats(0x20000000, 0);  // length only: a count whose bytes pass 2^31 - 1
    EXPECT_EQ(-22, r.readFloats(floats, 0, 0x20000000, 0));
    EXPECT_EQ(0, bytes.gets);
    EXPECT_EQ(0, floats.gets);
    EXPECT_EQ(-22, Java_com_orv_media_audio_AudioRecordNative_nativeReadByteArray(
                       env, nullptr, r.h, nullptr, 0, 1, 0));
    // a null array is -22 whatever the handle; handle 0 with a usable array is -38
    EXPECT_EQ(-22, Java_com_orv_media_audio_AudioTrackNative_nativeWriteShortArray(
                       env, nullptr, 0, nullptr, 0, 1, 0));
    EXPECT_EQ(-38, Java_com_orv_media_audio_AudioRecordNative_nativeReadByteArray(
                       env, nullptr, 0, bytes.ref<jbyteArray>(), 0, 1, 0));
    // milliHertz past 32 bits would wrap to another rate (4342967 Hz to about 48 kHz)
    Record other{env};
    for (jint rate : {4342967, INT32_MAX, -1})
        EXPECT_EQ(-22, other.open(1, rate, false, 4)) << rate;
    EXPECT_EQ(-38, other.open(1, 4294967, false, 4)) << "fits, but no input runs at that rate";
    // A refused open closes the stream already open first, as every open does.
    for (jint rate : {-1, 4342967}) {
        ASSERT_EQ(0, other.open(1, 48000, false, 4));
        EXPECT_EQ(-22, other.open(1, rate, false, 4)) << rate;
        EXPECT_EQ(-38, other.start()) << rate << ": the earlier stream stayed open";
    }
    EXPECT_EQ(-22, Java_com_orv_media_audio_AudioRecordNative_nativeGetPositionInMsec(
                       env, nullptr, r.h, nullptr));
    EXPECT_EQ(1, r.pending());
    EXPECT_EQ(8, r.readBytes(bytes, 0, 8, 0));
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(counterByte(i), bytes.bytes[i]);
}

TEST_F(AudioNatives, ElementsThatCannotBeHadAreReportedWithMinus22) {
    Record r{env};
    ASSERT_EQ(0, r.open(1, 48000, false, 4));
    jlong track = Java_com_orv_media_audio_AudioTrackNative_nativeCreateTrack(env, nullptr);
    ASSERT_EQ(0, Java_com_orv_media_audio_AudioTrackNative_nativeOpen(env, nullptr, track, 2, 48000,
                                                                      0, 4));
    FakeArray refused(16, 4);
    refused.refuse = true;
    log.clear();
    EXPECT_EQ(-22, r.readFloats(refused, 0, 4, 1));
    EXPECT_EQ(-22, Java_com_orv_media_audio_AudioTrackNative_nativeWriteFloatArray(
                       env, nullptr, track, refused.ref<jfloatArray>(), 0, 4, 1));
    FakeArray position(1, 8);
    position.refuse = true;
    EXPECT_EQ(-22, Java_com_orv_media_audio_AudioTrackNative_nativeGetPositionInMsec(
                       env, nullptr, track, position.ref<jlongArray>()));
    EXPECT_EQ(2, refused.exceptionsCleared);  // the VM's error is not left pending
    EXPECT_EQ(1, position.exceptionsCleared);
    const std::vector<std::string> lines = log.texts("sonora");
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("Error retrieving destination of audio data to record", lines[0]);
    EXPECT_EQ("Error retrieving source of audio data to play", lines[2]);
    EXPECT_EQ("Unable to get array for nativeGetPositionInMsec()", lines[3]);
    EXPECT_EQ(
        0, Java_com_orv_media_audio_AudioTrackNative_nativeGetBuffersPending(env, nullptr, track));
    position.refuse = false;
    EXPECT_EQ(0, Java_com_orv_media_audio_AudioTrackNative_nativeGetPositionInMsec(
                     env, nullptr, track, position.ref<jlongArray>()));
    EXPECT_EQ(1, position.releases);
    EXPECT_EQ(0, position.lastReleaseMode);
    // elements only read are dropped, not copied back over what Java wrote meanwhile
    refused.refuse = false;
    EXPECT_EQ(4, Java_com_orv_media_audio_AudioTrackNative_nativeWriteFloatArray(
                     env, nullptr, track, refused.ref<jfloatArray>(), 0, 4, 1));
    EXPECT_EQ(JNI_ABORT, refused.lastReleaseMode);
    Java_com_orv_media_audio_AudioTrackNative_nativeDestroyTrack(env, nullptr, track);
}

// A failing allocation at any step of nativeCreateTrack/Record gives 0, with nothing thrown,
// leaked or freed twice; the first count that fails nothing gives a stream.
TEST_F(AudioNatives, CreateGivesZeroWhicheverAllocationFails) {
    for (auto kind :
         {std::make_pair(Java_com_orv_media_audio_AudioTrackNative_nativeCreateTrack,
                         Java_com_orv_media_audio_AudioTrackNative_nativeDestroyTrack),
          std::make_pair(Java_com_orv_media_audio_AudioRecordNative_nativeCreateRecord,
                         Java_com_orv_media_audio_AudioRecordNative_nativeDestroyRecord)}) {
        jlong h = 0;
        long allowed = 0;
        for (; h == 0 && allowed < 64; ++allowed) {
            t_allocationsLeft = allowed;
            h = kind.first(env, nullptr);
            t_allocationsLeft = -1;
        }
        kind.second(env, nullptr, h);
        EXPECT_GE(allowed, 4) << "the stream with its count, its own members, and the cell";
    }
    // A write that cannot allocate its record, grow its list or be enqueued is refused (-38),
    // throwing nothing and leaking nothing (LeakSanitizer in the asan build); past its last
    // allocation it queues the chunk. Only ERROR lines are formatted: this host's log library
    // allocates with operator new (a device's does not).
    __android_log_set_minimum_priority(ANDROID_LOG_ERROR);
    t_failOnce = true;
    jlong track = Java_com_orv_media_audio_AudioTrackNative_nativeCreateTrack(env, nullptr);
    ASSERT_EQ(0, Java_com_orv_media_audio_AudioTrackNative_nativeOpen(env, nullptr, track, 2, 48000,
                                                                      0, 2));
    FakeArray chunk(kTrackBuffer, 1);
    jint written = -38;
    for (long allowed = 0; written == -38 && allowed < 16; ++allowed) {
        t_allocationsLeft = allowed;
        written = Java_com_orv_media_audio_AudioTrackNative_nativeWriteByteArray(
            env, nullptr, track, chunk.ref<jbyteArray>(), 0, kTrackBuffer, 0);
        t_allocationsLeft = -1;
    }
    t_failOnce = false;
    __android_log_set_minimum_priority(ANDROID_LOG_VERBOSE);
    EXPECT_EQ(kTrackBuffer, written);
    Java_com_orv_media_audio_AudioTrackNative_nativeDestroyTrack(env, nullptr, track);
}

// Writers on four threads share a handle while callbacks complete buffers; one more thread
// destroys the handle while a blocking write still waits. Nothing is lost and the stream closes
// when the last call returns.
TEST_F(AudioNatives, CallsShareAHandleAndOutliveItsDestruction) {
    jlong h = Java_com_orv_media_audio_AudioTrackNative_nativeCreateTrack(env, nullptr);
    ASSERT_EQ(
        0, Java_com_orv_media_audio_AudioTrackNative_nativeOpen(env, nullptr, h, 2, 48000, 0, 2));
    ASSERT_EQ(0, Java_com_orv_media_audio_AudioTrackNative_nativeStart(env, nullptr, h));
    std::atomic<int> queued{0};
    std::vector<std::unique_ptr<audiotest::BoundedThread>> writers;
    for (int t = 0; t < 4; ++t) {
        writers.push_back(std::make_unique<audiotest::BoundedThread>([&] {
            FakeArray chunk(kTrackBuffer, 1);
            for (int i = 0; i < 5; ++i) {
                queued += Java_com_orv_media_audio_AudioTrackNative_nativeWriteByteArray(
                    env, nullptr, h, chunk.ref<jbyteArray>(), 0, kTrackBuffer, 1);
            }
        }));
    }
    // 20 blocking writes through a queue of two: time runs until every one has been queued
    for (long step = 0; queued.load() < 20 * kTrackBuffer; ++step) {
        ASSERT_LT(step, 100000000L) << "writers stopped queueing";
        slhost_manual_advance(20);
    }
    for (auto &w : writers)
        w->join();
    EXPECT_EQ(20 * kTrackBuffer, queued.load());

    // the clock may have run past the last write: fill the queue again so that the next
    // blocking write has to wait
    FakeArray last(kTrackBuffer, 1);
    while (Java_com_orv_media_audio_AudioTrackNative_nativeWriteByteArray(
               env, nullptr, h, last.ref<jbyteArray>(), 0, kTrackBuffer, 0) != 0) {
    }
    audiotest::BoundedThread blocked([&] {
        // the queue is full: this write waits for a completion
        EXPECT_EQ(kTrackBuffer, Java_com_orv_media_audio_AudioTrackNative_nativeWriteByteArray(
                                    env, nullptr, h, last.ref<jbyteArray>(), 0, kTrackBuffer, 1));
    });
    auto *cell = reinterpret_cast<StreamHandle<AudioTrackNative> *>(static_cast<uintptr_t>(h));
    for (long spin = 0; cell->stream.use_count() < 2; ++spin) {
        ASSERT_LT(spin, 100000000L) << "the blocked write never took its reference";
        std::this_thread::yield();
    }
    Java_com_orv_media_audio_AudioTrackNative_nativeDestroyTrack(env, nullptr, h);
    EXPECT_EQ(1u, slhost_live_objects(SLHOST_KIND_PLAYER));
    EXPECT_EQ(1, slhost_manual_complete_next(slhost_last_object(SLHOST_KIND_PLAYER)));
    blocked.join();
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_PLAYER));
}

}  // namespace
}  // namespace audiojnitest
