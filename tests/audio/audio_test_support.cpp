#include "audio_test_support.h"

#include <android/log.h>

#include <thread>

namespace audiotest {

void AudioTest::SetUp() {
    slhost_reset();
    ASSERT_EQ(0, slhost_set_backend("manual"));
    ASSERT_EQ(0, slhost_set_capture_source("counter"));
    slhost_fault_clear();
    log_.clear();
}

void AudioTest::TearDown() {
    slhost_manual_wait_idle();
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY))
        << "an OpenSL ES object outlived its stream";
    slhost_reset();
}

std::vector<orvtest::LogEntry> AudioTest::sonoraLog() const {
    std::vector<orvtest::LogEntry> out;
    for (const orvtest::LogEntry &e : log_.entries())
        if (e.tag == "sonora")
            out.push_back(e);
    return out;
}

orvtest::LogEntry verbose(const std::string &text) {
    return {ANDROID_LOG_VERBOSE, "sonora", text};
}
orvtest::LogEntry debug(const std::string &text) {
    return {ANDROID_LOG_DEBUG, "sonora", text};
}
orvtest::LogEntry warn(const std::string &text) {
    return {ANDROID_LOG_WARN, "sonora", text};
}
orvtest::LogEntry error(const std::string &text) {
    return {ANDROID_LOG_ERROR, "sonora", text};
}

void failNext(slhost_op op, slhost_kind kind, SLresult result, SLuint32 count, SLuint32 skip) {
    slhost_fault rule{};
    rule.op = op;
    rule.kind = kind;
    rule.result = result;
    rule.skip = skip;
    rule.count = static_cast<SLint32>(count);
    ASSERT_EQ(0, slhost_fault_add(&rule));
}

SLBufferQueueItf lastPlayerQueue() {
    SLObjectItf player = slhost_last_object(SLHOST_KIND_PLAYER);
    SLBufferQueueItf queue = nullptr;
    EXPECT_NE(nullptr, player);
    if (player != nullptr) {
        EXPECT_EQ(SL_RESULT_SUCCESS, (*player)->GetInterface(player, SL_IID_BUFFERQUEUE, &queue));
    }
    return queue;
}

SLAndroidSimpleBufferQueueItf lastRecorderQueue() {
    SLObjectItf recorder = slhost_last_object(SLHOST_KIND_RECORDER);
    SLAndroidSimpleBufferQueueItf queue = nullptr;
    EXPECT_NE(nullptr, recorder);
    if (recorder != nullptr) {
        EXPECT_EQ(SL_RESULT_SUCCESS,
                  (*recorder)->GetInterface(recorder, SL_IID_ANDROIDSIMPLEBUFFERQUEUE, &queue));
    }
    return queue;
}

slhost_object_info infoOf(SLObjectItf object) {
    slhost_object_info info{};
    EXPECT_EQ(0, slhost_object_info_get(object, &info));
    return info;
}

void spinUntil(const std::function<bool()> &done) {
    for (unsigned long i = 0; i < 200000000UL; ++i) {
        if (done())
            return;
        std::this_thread::yield();
    }
    FAIL() << "condition never came";
}

std::vector<uint8_t> counterBytes(size_t first, size_t n) {
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<uint8_t>((first + i) & 0xFF);
    return out;
}

std::vector<uint8_t> pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<uint8_t>(seed * 31 + i * 7);
    return out;
}

}  // namespace audiotest
