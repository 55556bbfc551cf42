// The shared engine's loans, the result-name and speaker-mask tables, and the stream signal.
#include "audio_test_support.h"
#include "sl_engine.h"

#include <thread>

namespace {

using audiotest::AudioTest;
using audiotest::error;

TEST(SlNames, TableEdgesAndOutOfRangeCodes) {
    EXPECT_STREQ("SL_RESULT_SUCCESS", android::getSLErrStr(0));
    EXPECT_STREQ("SL_RESULT_PRECONDITIONS_VIOLATE", android::getSLErrStr(1));
    EXPECT_STREQ("SL_RESULT_BUFFER_INSUFFICIENT", android::getSLErrStr(7));
    EXPECT_STREQ("SL_RESULT_CONTROL_LOST", android::getSLErrStr(16));
    EXPECT_STREQ("SL_RESULT_UNKNOWN", android::getSLErrStr(17));
    EXPECT_STREQ("SL_RESULT_UNKNOWN", android::getSLErrStr(-1));
    EXPECT_STREQ("SL_RESULT_UNKNOWN", android::getSLErrStr(INT32_MIN));
}

TEST(SlNames, SpeakerMasksForOneToEightChannels) {
    const SLuint32 expected[] = {0, 0x1, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x13F, 0x63F, 0};
    for (unsigned channels = 0; channels <= 9; ++channels)
        EXPECT_EQ(expected[channels], android::channelCountToMask(channels)) << channels;
    EXPECT_EQ(0u, android::channelCountToMask(0xFFFFFFFFu));
}

class SharedEngine : public AudioTest {};

TEST_F(SharedEngine, LoansShareOneEngineUntilTheLastComesBack) {
    SLObjectItf first = android::OpenSLEngine(true);
    SLObjectItf second = android::OpenSLEngine(true);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, second);
    EXPECT_EQ(1u, slhost_live_objects(SLHOST_KIND_ENGINE));
    SLEngineItf itf = nullptr;
    EXPECT_EQ(SL_RESULT_SUCCESS, (*first)->GetInterface(first, SL_IID_ENGINE, &itf))
        << "the engine comes realized";

    android::CloseSLEngine(first);
    EXPECT_EQ(1u, slhost_live_objects(SLHOST_KIND_ENGINE));
    android::CloseSLEngine(second);
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ENGINE));

    SLObjectItf third = android::OpenSLEngine(true);
    ASSERT_NE(nullptr, third);
    EXPECT_EQ(1u, slhost_live_objects(SLHOST_KIND_ENGINE));
    android::CloseSLEngine(third);
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ENGINE));
    EXPECT_TRUE(sonoraLog().empty());
}

// One engine per process, as on Android: a private engine is refused while the shared one lives.
TEST_F(SharedEngine, PrivateEngineIsRefusedWhileSharedLivesElseUncountedAndDestroyedAtOnce) {
    SLObjectItf shared = android::OpenSLEngine(true);
    ASSERT_NE(nullptr, shared);
    EXPECT_EQ(nullptr, android::OpenSLEngine(false));
    EXPECT_EQ(
        std::vector<orvtest::LogEntry>{error("slCreateEngine() failed: SL_RESULT_RESOURCE_ERROR")},
        sonoraLog());
    android::CloseSLEngine(shared);
    SLObjectItf mine = android::OpenSLEngine(false);
    ASSERT_NE(nullptr, mine);
    EXPECT_EQ(1u, slhost_live_objects(SLHOST_KIND_ENGINE));
    android::CloseSLEngine(mine);
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ENGINE));
}

TEST_F(SharedEngine, GiveBackAtCountZeroLogsAndDestroysNothing) {
    android::CloseSLEngine(nullptr);  // no shared engine: the count is 0
    EXPECT_EQ(std::vector<orvtest::LogEntry>{error("CloseSLEngine((nil)): refcount already 0")},
              sonoraLog());
}

TEST_F(SharedEngine, FailedCreationIsNotCountedAndTheNextRequestRetries) {
    audiotest::failNext(SLHOST_OP_CREATE_ENGINE, SLHOST_KIND_ENGINE, SL_RESULT_MEMORY_FAILURE);
    EXPECT_EQ(nullptr, android::OpenSLEngine(true));
    audiotest::failNext(SLHOST_OP_REALIZE, SLHOST_KIND_ENGINE, SL_RESULT_RESOURCE_ERROR);
    EXPECT_EQ(nullptr, android::OpenSLEngine(true));
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ENGINE)) << "an unrealized engine is destroyed";
    EXPECT_EQ(
        (std::vector<orvtest::LogEntry>{error("slCreateEngine() failed: SL_RESULT_MEMORY_FAILURE"),
                                        error("Realize() failed: SL_RESULT_RESOURCE_ERROR")}),
        sonoraLog());

    SLObjectItf engine = android::OpenSLEngine(true);
    ASSERT_NE(nullptr, engine);
    android::CloseSLEngine(engine);
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ENGINE)) << "one loan, one give-back";
}

uint64_t ticketsOf(StreamSignal &s) {
    std::lock_guard<std::mutex> held(s.mutex);
    return s.tickets;
}

TEST(StreamSignalTest, RaiseBeforeWaitEndsServedWithoutBlocking) {
    StreamSignal s;
    s.reset();
    s.raise();
    EXPECT_TRUE(s.wait());
    // A stale raise is forgotten by reset; a cancel then ends the next wait.
    s.reset();
    s.cancel();
    EXPECT_FALSE(s.wait());
}

TEST(StreamSignalTest, CancelWithNoWaiterStaysUntilResetOrRaiseUnlessSignaled) {
    StreamSignal s;
    s.cancel();
    EXPECT_FALSE(s.wait());
    EXPECT_FALSE(s.wait()) << "still cancelled";
    s.raise();  // clears cancelled, leaves signaled
    s.cancel();
    EXPECT_TRUE(s.wait()) << "signaled wins over cancelled";
}

TEST(StreamSignalTest, CancelAndRaiseReleaseABlockedWaiter) {
    StreamSignal s;
    bool served = true;
    audiotest::BoundedThread waiter([&] { served = s.wait(); });
    audiotest::spinUntil([&] { return ticketsOf(s) == 1; });
    s.cancel();
    waiter.join();
    EXPECT_FALSE(served);

    s.reset();
    audiotest::BoundedThread second([&] { served = s.wait(); });
    audiotest::spinUntil([&] { return ticketsOf(s) == 2; });
    s.raise();
    second.join();
    EXPECT_TRUE(served);
}

}  // namespace
