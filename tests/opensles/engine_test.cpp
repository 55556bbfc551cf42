// Engine and object rules: creation options, realization, and which interfaces an object gives.
#include "sl_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using sltest::Engine;

TEST(Engine, CreatesThreadSafeEngineThatGivesItsInterfaceOnlyOnceRealized) {
    SLObjectItf engine = nullptr;
    SLEngineOption opt{SL_ENGINEOPTION_THREADSAFE, SL_BOOLEAN_TRUE};
    ASSERT_EQ(SL_RESULT_SUCCESS, slCreateEngine(&engine, 1, &opt, 0, nullptr, nullptr));
    SLuint32 state = 0;
    ASSERT_EQ(SL_RESULT_SUCCESS, (*engine)->GetState(engine, &state));
    EXPECT_EQ(SL_OBJECT_STATE_UNREALIZED, state);

    SLEngineItf itf = nullptr;
    EXPECT_EQ(SL_RESULT_PRECONDITIONS_VIOLATED,
              (*engine)->GetInterface(engine, SL_IID_ENGINE, &itf));
    EXPECT_EQ(nullptr, itf);

    ASSERT_EQ(SL_RESULT_SUCCESS, (*engine)->Realize(engine, SL_BOOLEAN_FALSE));
    EXPECT_EQ(SL_RESULT_PRECONDITIONS_VIOLATED, (*engine)->Realize(engine, SL_BOOLEAN_FALSE));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*engine)->GetState(engine, &state));
    EXPECT_EQ(SL_OBJECT_STATE_REALIZED, state);
    ASSERT_EQ(SL_RESULT_SUCCESS, (*engine)->GetInterface(engine, SL_IID_ENGINE, &itf));
    EXPECT_NE(nullptr, itf);

    SLObjectItf self = nullptr;
    ASSERT_EQ(SL_RESULT_SUCCESS, (*engine)->GetInterface(engine, SL_IID_OBJECT, &self));
    EXPECT_EQ(engine, self);
    SLPlayItf play = nullptr;
    EXPECT_EQ(SL_RESULT_FEATURE_UNSUPPORTED, (*engine)->GetInterface(engine, SL_IID_PLAY, &play));
    (*engine)->Destroy(engine);
}

TEST(Engine, RefusesBadCreationArguments) {
    SLObjectItf engine = reinterpret_cast<SLObjectItf>(&engine);
    SLEngineOption bad{0x77, 1};
    EXPECT_EQ(SL_RESULT_PARAMETER_INVALID, slCreateEngine(&engine, 1, &bad, 0, nullptr, nullptr));
    EXPECT_EQ(nullptr, engine);
    EXPECT_EQ(SL_RESULT_PARAMETER_INVALID,
              slCreateEngine(&engine, 1, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(SL_RESULT_PARAMETER_INVALID,
              slCreateEngine(nullptr, 0, nullptr, 0, nullptr, nullptr));

    const SLInterfaceID play[] = {SL_IID_PLAY};
    const SLboolean required[] = {SL_BOOLEAN_TRUE};
    const SLboolean optional[] = {SL_BOOLEAN_FALSE};
    EXPECT_EQ(SL_RESULT_FEATURE_UNSUPPORTED,
              slCreateEngine(&engine, 0, nullptr, 1, play, required));
    ASSERT_EQ(SL_RESULT_SUCCESS, slCreateEngine(&engine, 0, nullptr, 1, play, optional));
    (*engine)->Destroy(engine);
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY));
}

// As on Android: one engine per process, holding at most 32 objects.
TEST(Engine, OneEnginePerProcessHoldingAtMost32Objects) {
    Engine a;
    SLObjectItf second = a.object;
    EXPECT_EQ(SL_RESULT_RESOURCE_ERROR, slCreateEngine(&second, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(nullptr, second);
    std::vector<SLObjectItf> mixes(33, nullptr);
    for (SLObjectItf &mix : mixes)
        (*a.itf)->CreateOutputMix(a.itf, &mix, 0, nullptr, nullptr);
    EXPECT_EQ(nullptr, mixes[32]);
    EXPECT_EQ(32u, slhost_live_objects(SLHOST_KIND_OUTPUT_MIX));
    for (SLObjectItf mix : mixes)
        if (mix != nullptr)
            (*mix)->Destroy(mix);
}

TEST(Engine, ExplicitInterfacesComeOnlyWhenRequested) {
    Engine engine;
    auto format = sltest::pcm16(1, 48000);
    SLDataLocator_IODevice dev{SL_DATALOCATOR_IODEVICE, SL_IODEVICE_AUDIOINPUT,
                               SL_DEFAULTDEVICEID_AUDIOINPUT, nullptr};
    SLDataSource src{&dev, nullptr};
    SLDataLocator_AndroidSimpleBufferQueue bq{SL_DATALOCATOR_ANDROIDSIMPLEBUFFERQUEUE, 2};
    SLDataSink sink{&bq, &format};
    SLObjectItf rec = nullptr;
    // Not requested: the recorder exists, but without its queue.
    ASSERT_EQ(
        SL_RESULT_SUCCESS,
        (*engine.itf)->CreateAudioRecorder(engine.itf, &rec, &src, &sink, 0, nullptr, nullptr));
    // Android's configuration interface is there before Realize, the others only after.
    SLAndroidConfigurationItf config = nullptr;
    EXPECT_EQ(SL_RESULT_FEATURE_UNSUPPORTED,
              (*rec)->GetInterface(rec, SL_IID_ANDROIDCONFIGURATION, &config));
    SLRecordItf record = nullptr;
    EXPECT_EQ(SL_RESULT_PRECONDITIONS_VIOLATED, (*rec)->GetInterface(rec, SL_IID_RECORD, &record));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec)->Realize(rec, SL_BOOLEAN_FALSE));
    EXPECT_EQ(SL_RESULT_SUCCESS, (*rec)->GetInterface(rec, SL_IID_RECORD, &record));
    SLAndroidSimpleBufferQueueItf queue = nullptr;
    EXPECT_EQ(SL_RESULT_FEATURE_UNSUPPORTED,
              (*rec)->GetInterface(rec, SL_IID_ANDROIDSIMPLEBUFFERQUEUE, &queue));
    (*rec)->Destroy(rec);

    // A required interface the kind does not have refuses the creation.
    const SLInterfaceID ids[] = {SL_IID_ANDROIDSIMPLEBUFFERQUEUE, SL_IID_PLAY};
    const SLboolean req[] = {SL_BOOLEAN_TRUE, SL_BOOLEAN_TRUE};
    EXPECT_EQ(SL_RESULT_FEATURE_UNSUPPORTED,
              (*engine.itf)->CreateAudioRecorder(engine.itf, &rec, &src, &sink, 2, ids, req));
    EXPECT_EQ(nullptr, rec);
}

TEST(Engine, ConfigurationIsSetBeforeRealizeAndReadBack) {
    Engine engine;
    auto format = sltest::pcm16(1, 16000);
    SLDataLocator_IODevice dev{SL_DATALOCATOR_IODEVICE, SL_IODEVICE_AUDIOINPUT,
                               SL_DEFAULTDEVICEID_AUDIOINPUT, nullptr};
    SLDataSource src{&dev, nullptr};
    SLDataLocator_AndroidSimpleBufferQueue bq{SL_DATALOCATOR_ANDROIDSIMPLEBUFFERQUEUE, 2};
    SLDataSink sink{&bq, &format};
    const SLInterfaceID ids[] = {SL_IID_ANDROIDCONFIGURATION};
    const SLboolean req[] = {SL_BOOLEAN_TRUE};
    SLObjectItf rec = nullptr;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*engine.itf)->CreateAudioRecorder(engine.itf, &rec, &src, &sink, 1, ids, req));
    SLAndroidConfigurationItf config = nullptr;
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec)->GetInterface(rec, SL_IID_ANDROIDCONFIGURATION, &config));
    SLuint32 preset = SL_ANDROID_RECORDING_PRESET_VOICE_RECOGNITION;
    EXPECT_EQ(SL_RESULT_SUCCESS,
              (*config)->SetConfiguration(config, SL_ANDROID_KEY_RECORDING_PRESET, &preset,
                                          sizeof preset));
    SLuint32 bad = 99;
    EXPECT_EQ(
        SL_RESULT_PARAMETER_INVALID,
        (*config)->SetConfiguration(config, SL_ANDROID_KEY_RECORDING_PRESET, &bad, sizeof bad));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec)->Realize(rec, SL_BOOLEAN_FALSE));
    EXPECT_EQ(SL_RESULT_PRECONDITIONS_VIOLATED,
              (*config)->SetConfiguration(config, SL_ANDROID_KEY_RECORDING_PRESET, &preset,
                                          sizeof preset));
    SLuint32 read = 0, size = sizeof read;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*config)->GetConfiguration(config, SL_ANDROID_KEY_RECORDING_PRESET, &size, &read));
    EXPECT_EQ(SL_ANDROID_RECORDING_PRESET_VOICE_RECOGNITION, read);
    (*rec)->Destroy(rec);
}

}  // namespace
