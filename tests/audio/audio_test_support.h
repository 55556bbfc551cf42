// Shared pieces of the libsonora suites: a fixture on the host OpenSL ES layer's manual clock
// with the log captured, the stream's queue handles, and waits that spin instead of sleeping.
#pragma once

#include "bounded_thread.h"
#include "log_capture.h"

#include <SLES/OpenSLES.h>
#include <SLES/OpenSLES_Android.h>
#include <gtest/gtest.h>
#include <opensles_host/test_control.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace audiotest {

// Every test starts on the manual back end with no faults and the capture counter (byte n of a
// recording is n & 0xFF), and ends with every OpenSL ES object destroyed.
class AudioTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The "sonora" lines logged so far, as (priority, text).
    std::vector<orvtest::LogEntry> sonoraLog() const;
    void clearLog() { log_.clear(); }
    orvtest::LogCapture log_;
};

orvtest::LogEntry verbose(const std::string &text);
orvtest::LogEntry debug(const std::string &text);
orvtest::LogEntry warn(const std::string &text);
orvtest::LogEntry error(const std::string &text);

// Makes the next `count` calls of `op` on objects of `kind` fail with `result` (after `skip`).
void failNext(slhost_op op, slhost_kind kind, SLresult result, SLuint32 count = 1,
              SLuint32 skip = 0);

// The buffer-queue handles of the newest player and recorder (those the stream registered on).
SLBufferQueueItf lastPlayerQueue();
SLAndroidSimpleBufferQueueItf lastRecorderQueue();
slhost_object_info infoOf(SLObjectItf object);

// Spins (yielding) until `done` holds; fails the test after a generous bound of attempts.
void spinUntil(const std::function<bool()> &done);

// `n` bytes of the capture counter starting at recording byte `first`.
std::vector<uint8_t> counterBytes(size_t first, size_t n);
// `n` bytes of a recognisable pattern seeded by `seed`.
std::vector<uint8_t> pattern(size_t n, uint8_t seed);

}  // namespace audiotest
