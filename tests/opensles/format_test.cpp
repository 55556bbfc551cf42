// Formats a buffer queue accepts, and the results with which Android refuses the others at
// creation.
#include "sl_test_support.h"

#include <gtest/gtest.h>

namespace {

using sltest::Engine;
using sltest::Player;
using sltest::Recorder;

struct Case {
    const char *what;
    SLAndroidDataFormat_PCM_EX format;
    SLresult player;
    SLresult recorder;
};

SLAndroidDataFormat_PCM_EX with(SLAndroidDataFormat_PCM_EX f, SLuint32 channels, SLuint32 mask) {
    f.numChannels = channels;
    f.channelMask = mask;
    return f;
}

SLAndroidDataFormat_PCM_EX bits(SLAndroidDataFormat_PCM_EX f, SLuint32 n) {
    f.bitsPerSample = n;
    f.containerSize = n;
    return f;
}

TEST(Format, AcceptsAndroidsFormatsAndRefusesOthersWithAndroidsResult) {
    const auto s16 = sltest::pcm16(2, 48000);
    const auto f32 = sltest::pcm_float(1, 44100);
    auto big_endian = s16;
    big_endian.endianness = SL_BYTEORDER_BIGENDIAN;
    auto bad_order = s16;
    bad_order.endianness = 7;
    auto float16 = s16;
    float16.formatType = SL_ANDROID_DATAFORMAT_PCM_EX;
    float16.representation = SL_ANDROID_PCM_REPRESENTATION_FLOAT;
    auto container = s16;
    container.containerSize = 32;
    auto mime = s16;
    mime.formatType = SL_DATAFORMAT_MIME;
    auto unknown_type = s16;
    unknown_type.formatType = 99;
    const SLresult ok = SL_RESULT_SUCCESS;
    const SLresult invalid = SL_RESULT_PARAMETER_INVALID;
    const SLresult unsupported = SL_RESULT_CONTENT_UNSUPPORTED;
    const Case cases[] = {
        {"16-bit stereo 48 kHz", s16, ok, ok},
        {"float mono 44.1 kHz", f32, ok, ok},
        {"8 kHz", sltest::pcm16(1, 8000), ok, ok},
        {"192 kHz", sltest::pcm16(1, 192000), ok, ok},
        {"11025 Hz", sltest::pcm16(1, 11025), ok, ok},
        {"7999 Hz", sltest::pcm16(1, 7999), unsupported, unsupported},
        {"192001 Hz", sltest::pcm16(1, 192001), unsupported, unsupported},
        {"rate 0", sltest::pcm16(1, 0), invalid, invalid},
        {"8 channels, mask 0", with(s16, 8, 0), ok, ok},
        {"8 channels, 8 speakers", with(s16, 8, 0x63F), ok, ok},
        {"6 channels, 5 speakers", with(s16, 6, 0x37), invalid, invalid},
        {"mono with a stereo mask", with(s16, 1, 0x3), invalid, invalid},
        {"0 channels", with(s16, 0, 0), invalid, invalid},
        {"9 channels", with(s16, 9, 0), unsupported, unsupported},
        {"24-bit", bits(s16, 24), ok, unsupported},
        {"12-bit", bits(s16, 12), unsupported, unsupported},
        {"16 bits in 32", container, unsupported, unsupported},
        {"big-endian", big_endian, unsupported, unsupported},
        {"byte order 7", bad_order, invalid, invalid},
        {"float in 16 bits", float16, invalid, invalid},
        {"MIME", mime, unsupported, unsupported},
        {"format type 99", unknown_type, invalid, invalid},
    };
    Engine engine;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Player player(engine, &c.format, 2);
        EXPECT_EQ(c.player, player.create_result);
        EXPECT_EQ(c.player == ok, player.object != nullptr);
        Recorder rec(engine, &c.format, 2);
        EXPECT_EQ(c.recorder, rec.create_result);
        EXPECT_EQ(c.recorder == ok, rec.object != nullptr);
    }
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_PLAYER));
}

TEST(Format, RefusesQueuesAndLocatorsThatAreNotBufferQueues) {
    Engine engine;
    const auto format = sltest::pcm16(1, 16000);
    SLObjectItf mix = nullptr;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*engine.itf)->CreateOutputMix(engine.itf, &mix, 0, nullptr, nullptr));
    SLDataLocator_OutputMix out{SL_DATALOCATOR_OUTPUTMIX, mix};
    SLDataSink sink{&out, nullptr};
    SLDataLocator_BufferQueue bq{SL_DATALOCATOR_BUFFERQUEUE, 2};
    SLDataSource src{&bq, const_cast<SLAndroidDataFormat_PCM_EX *>(&format)};
    SLObjectItf player = nullptr;
    // An output mix that is not realized yet.
    EXPECT_EQ(
        SL_RESULT_PRECONDITIONS_VIOLATED,
        (*engine.itf)->CreateAudioPlayer(engine.itf, &player, &src, &sink, 0, nullptr, nullptr));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*mix)->Realize(mix, SL_BOOLEAN_FALSE));
    for (SLuint32 length : {0u, 256u}) {  // Android's queues hold 1 to 255 buffers
        bq.numBuffers = length;
        EXPECT_EQ(SL_RESULT_PARAMETER_INVALID,
                  (*engine.itf)
                      ->CreateAudioPlayer(engine.itf, &player, &src, &sink, 0, nullptr, nullptr));
    }
    SLDataLocator_URI uri{SL_DATALOCATOR_URI, nullptr};
    src.pLocator = &uri;
    EXPECT_EQ(
        SL_RESULT_FEATURE_UNSUPPORTED,
        (*engine.itf)->CreateAudioPlayer(engine.itf, &player, &src, &sink, 0, nullptr, nullptr));
    EXPECT_EQ(nullptr, player);

    SLDataLocator_IODevice dev{SL_DATALOCATOR_IODEVICE, SL_IODEVICE_AUDIOINPUT,
                               SL_DEFAULTDEVICEID_AUDIOINPUT, nullptr};
    SLDataSource rsrc{&dev, nullptr};
    SLDataLocator_BufferQueue plain{SL_DATALOCATOR_BUFFERQUEUE, 2};
    SLDataSink rsink{&plain, const_cast<SLAndroidDataFormat_PCM_EX *>(&format)};
    SLObjectItf rec = nullptr;
    EXPECT_EQ(
        SL_RESULT_PARAMETER_INVALID,
        (*engine.itf)->CreateAudioRecorder(engine.itf, &rec, &rsrc, &rsink, 0, nullptr, nullptr));
    dev.deviceType = SL_IODEVICE_LEDARRAY;
    SLDataLocator_AndroidSimpleBufferQueue asbq{SL_DATALOCATOR_ANDROIDSIMPLEBUFFERQUEUE, 2};
    rsink.pLocator = &asbq;
    EXPECT_EQ(
        SL_RESULT_PARAMETER_INVALID,
        (*engine.itf)->CreateAudioRecorder(engine.itf, &rec, &rsrc, &rsink, 0, nullptr, nullptr));
    dev.deviceType = SL_IODEVICE_AUDIOINPUT;
    asbq.numBuffers = 256;
    EXPECT_EQ(
        SL_RESULT_PARAMETER_INVALID,
        (*engine.itf)->CreateAudioRecorder(engine.itf, &rec, &rsrc, &rsink, 0, nullptr, nullptr));
    EXPECT_EQ(nullptr, rec);
    (*mix)->Destroy(mix);
}

}  // namespace
