// Fault rules: a refused call returns the chosen result and has no other effect.
#include "sl_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using sltest::Engine;
using sltest::Player;
using sltest::Recorder;

class Faults : public ::testing::Test {
  protected:
    void SetUp() override { slhost_fault_clear(); }
    void TearDown() override { slhost_reset(); }
};

slhost_fault rule(slhost_op op, slhost_kind kind, SLresult result, SLuint32 skip = 0,
                  SLint32 count = -1, SLuint32 state = 0) {
    return slhost_fault{op, kind, result, state, skip, count};
}

TEST_F(Faults, RefusedEnqueueQueuesNothingAndOnlyTheChosenCallsFail) {
    Engine engine;
    const auto format = sltest::pcm16(1, 8000);
    Player player(engine, &format, 4);
    Recorder rec(engine, &format, 4);
    auto r = rule(SLHOST_OP_ENQUEUE, SLHOST_KIND_PLAYER, SL_RESULT_BUFFER_INSUFFICIENT, 1, 1);
    ASSERT_EQ(0, slhost_fault_add(&r));
    std::vector<uint8_t> buf(16);
    EXPECT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    EXPECT_EQ(SL_RESULT_BUFFER_INSUFFICIENT,
              (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    EXPECT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, buf.data(), 16));
    // The recorder is another kind.
    EXPECT_EQ(SL_RESULT_SUCCESS, (*rec.queue)->Enqueue(rec.queue, buf.data(), 16));
    slhost_object_info info{};
    ASSERT_EQ(0, slhost_object_info_get(player.object, &info));
    EXPECT_EQ(2u, info.queued);
    EXPECT_EQ(1u, slhost_fault_hits());

    // Starting the recorder fails once; stopping it is not affected.
    auto start = rule(SLHOST_OP_SET_STATE, SLHOST_KIND_RECORDER, SL_RESULT_PRECONDITIONS_VIOLATED,
                      0, 1, SL_RECORDSTATE_RECORDING);
    ASSERT_EQ(0, slhost_fault_add(&start));
    EXPECT_EQ(SL_RESULT_SUCCESS, (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_STOPPED));
    EXPECT_EQ(SL_RESULT_PRECONDITIONS_VIOLATED,
              (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_RECORDING));
    SLuint32 state = 0;
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.record)->GetRecordState(rec.record, &state));
    EXPECT_EQ(SL_RECORDSTATE_STOPPED, state);
    EXPECT_EQ(SL_RESULT_SUCCESS,
              (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_RECORDING));

    // A refused Clear keeps the queue.
    auto clear = rule(SLHOST_OP_CLEAR, SLHOST_KIND_ANY, SL_RESULT_INTERNAL_ERROR);
    ASSERT_EQ(0, slhost_fault_add(&clear));
    EXPECT_EQ(SL_RESULT_INTERNAL_ERROR, (*player.queue)->Clear(player.queue));
    ASSERT_EQ(0, slhost_object_info_get(player.object, &info));
    EXPECT_EQ(2u, info.queued);
    EXPECT_EQ(3u, slhost_fault_hits());

    slhost_fault_clear();
    EXPECT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Clear(player.queue));
    EXPECT_EQ(0u, slhost_fault_hits());
}

TEST_F(Faults, RefusedCreationsGiveNoObjectAndARefusedRealizeLeavesItUnrealized) {
    auto engine_rule =
        rule(SLHOST_OP_CREATE_ENGINE, SLHOST_KIND_ANY, SL_RESULT_MEMORY_FAILURE, 0, 1);
    ASSERT_EQ(0, slhost_fault_add(&engine_rule));
    SLObjectItf object = nullptr;
    EXPECT_EQ(SL_RESULT_MEMORY_FAILURE, slCreateEngine(&object, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ENGINE));

    Engine engine;
    auto player_rule = rule(SLHOST_OP_CREATE_AUDIO_PLAYER, SLHOST_KIND_PLAYER,
                            SL_RESULT_CONTENT_UNSUPPORTED, 0, 1);
    ASSERT_EQ(0, slhost_fault_add(&player_rule));
    const auto format = sltest::pcm16(1, 8000);
    Player refused(engine, &format, 2);
    EXPECT_EQ(SL_RESULT_CONTENT_UNSUPPORTED, refused.create_result);
    EXPECT_EQ(nullptr, refused.object);

    auto realize = rule(SLHOST_OP_REALIZE, SLHOST_KIND_RECORDER, SL_RESULT_RESOURCE_ERROR, 0, 1);
    ASSERT_EQ(0, slhost_fault_add(&realize));
    SLDataLocator_IODevice dev{SL_DATALOCATOR_IODEVICE, SL_IODEVICE_AUDIOINPUT,
                               SL_DEFAULTDEVICEID_AUDIOINPUT, nullptr};
    SLDataSource src{&dev, nullptr};
    SLDataLocator_AndroidSimpleBufferQueue bq{SL_DATALOCATOR_ANDROIDSIMPLEBUFFERQUEUE, 2};
    SLDataSink sink{&bq, const_cast<SLAndroidDataFormat_PCM_EX *>(&format)};
    SLObjectItf rec = nullptr;
    ASSERT_EQ(
        SL_RESULT_SUCCESS,
        (*engine.itf)->CreateAudioRecorder(engine.itf, &rec, &src, &sink, 0, nullptr, nullptr));
    EXPECT_EQ(SL_RESULT_RESOURCE_ERROR, (*rec)->Realize(rec, SL_BOOLEAN_FALSE));
    SLuint32 state = 0;
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec)->GetState(rec, &state));
    EXPECT_EQ(SL_OBJECT_STATE_UNREALIZED, state);
    EXPECT_EQ(SL_RESULT_SUCCESS, (*rec)->Realize(rec, SL_BOOLEAN_FALSE));
    (*rec)->Destroy(rec);

    auto success = rule(SLHOST_OP_REALIZE, SLHOST_KIND_ANY, SL_RESULT_SUCCESS);
    EXPECT_EQ(-1, slhost_fault_add(&success));
    EXPECT_EQ(-1, slhost_fault_add(nullptr));
}

}  // namespace
