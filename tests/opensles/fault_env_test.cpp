// Fault rules read from ORV_OPENSLES_FAULTS, which the layer reads at its first call: this
// program makes no other call before it sets the variable.
#include "sl_test_support.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <vector>

namespace {

TEST(FaultsFromEnvironment, RulesApplyFromTheFirstCall) {
    setenv("ORV_OPENSLES_FAULTS",
           "player:Enqueue=SL_RESULT_BUFFER_INSUFFICIENT@1x1;recorder:SetRecordState/3=2x1", 1);
    sltest::Engine engine;
    const auto format = sltest::pcm16(1, 8000);
    sltest::Player player(engine, &format, 4);
    sltest::Recorder rec(engine, &format, 4);
    std::vector<uint8_t> buf(16);
    EXPECT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    EXPECT_EQ(SL_RESULT_BUFFER_INSUFFICIENT,
              (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    EXPECT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    EXPECT_EQ(SL_RESULT_PARAMETER_INVALID,
              (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_RECORDING));
    EXPECT_EQ(SL_RESULT_SUCCESS,
              (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_RECORDING));
    EXPECT_EQ(2u, slhost_fault_hits());
}

}  // namespace
