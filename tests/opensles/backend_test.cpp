// The real-time back ends: the null one paces playback by the clock and captures a tone; the
// WAV one writes what is played to a file and captures from one.
#include "sl_test_support.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using sltest::Callbacks;
using sltest::Engine;
using sltest::Player;
using sltest::Recorder;

class Backend : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/orv-opensles-test-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override {
        slhost_reset();
        unsetenv("ORV_OPENSLES_WAV_OUT");
        unsetenv("ORV_OPENSLES_WAV_IN");
        unsetenv("ALSA_CONFIG_PATH");
        for (const char *name : {"/out.wav", "/in.wav", "/asound.conf", "/played.raw", "/in.raw"}) {
            unlink((dir_ + name).c_str());
        }
        rmdir(dir_.c_str());
    }
    std::string dir_;
    Engine engine;
};

TEST_F(Backend, NullPlayerConsumesAtTheFormatsRateOnlyOnceStarted) {
    ASSERT_EQ(0, slhost_set_backend("null"));
    const auto format = sltest::pcm16(1, 8000);
    Player player(engine, &format, 3);
    Callbacks cb;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &cb));
    std::vector<uint8_t> buf(320);  // 20 ms
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(SL_RESULT_SUCCESS,
                  (*player.queue)->Enqueue(player.queue, buf.data(), buf.size()));
    }
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));
    cb.wait_for(3);
    // 60 ms of audio cannot have been played in less than 60 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
    SLmillisecond ms = 0;
    ASSERT_EQ(SL_RESULT_SUCCESS, (*player.play)->GetPosition(player.play, &ms));
    EXPECT_EQ(60u, ms);
    EXPECT_EQ(3u, cb.count());
}

TEST_F(Backend, NullRecorderCapturesTheConfiguredTone) {
    ASSERT_EQ(0, slhost_set_backend("null"));
    ASSERT_EQ(0, slhost_set_capture_source("sine:1000"));
    EXPECT_EQ(-1, slhost_set_capture_source("sine:"));
    EXPECT_EQ(-1, slhost_set_capture_source("noise"));
    const auto format = sltest::pcm_float(2, 8000);
    Recorder rec(engine, &format, 2);
    Callbacks cb;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.queue)->RegisterCallback(rec.queue, Callbacks::on_android, &cb));
    std::vector<float> buf(16);  // 8 frames: one period of 1000 Hz at 8000 Hz
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.queue)->Enqueue(rec.queue, buf.data(), buf.size() * sizeof(float)));
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_RECORDING));
    cb.wait_for(1);
    const float h = 0.5f * std::sqrt(0.5f);
    const float expect[8] = {0, h, 0.5f, h, 0, -h, -0.5f, -h};
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(expect[i], buf[2 * i], 1e-6) << i;
        EXPECT_EQ(buf[2 * i], buf[2 * i + 1]) << i;
    }
}

TEST_F(Backend, WavPlayerWritesExactlyWhatWasPlayed) {
    ASSERT_EQ(0, slhost_set_backend("wav"));
    const std::string out = dir_ + "/out.wav";
    setenv("ORV_OPENSLES_WAV_OUT", out.c_str(), 1);
    const auto format = sltest::pcm16(2, 48000);
    std::vector<int16_t> samples(960);  // 10 ms of stereo
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(i * 67 - 30000);
    }
    {
        Player player(engine, &format, 2);
        Callbacks cb;
        ASSERT_EQ(SL_RESULT_SUCCESS,
                  (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &cb));
        ASSERT_EQ(SL_RESULT_SUCCESS, (*player.queue)->Enqueue(player.queue, samples.data(), 1920));
        ASSERT_EQ(SL_RESULT_SUCCESS,
                  (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));
        cb.wait_for(1);
    }
    SF_INFO info{};
    SNDFILE *f = sf_open(out.c_str(), SFM_READ, &info);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(48000, info.samplerate);
    EXPECT_EQ(2, info.channels);
    EXPECT_EQ(SF_FORMAT_WAV | SF_FORMAT_PCM_16, info.format);
    std::vector<int16_t> read(samples.size() + 2);
    EXPECT_EQ(static_cast<sf_count_t>(samples.size()),
              sf_read_short(f, read.data(), static_cast<sf_count_t>(read.size())));
    sf_close(f);
    read.resize(samples.size());
    EXPECT_EQ(samples, read);

    // A file that cannot be created makes Realize fail.
    setenv("ORV_OPENSLES_WAV_OUT", (dir_ + "/missing/out.wav").c_str(), 1);
    SLObjectItf mix = nullptr, player = nullptr;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*engine.itf)->CreateOutputMix(engine.itf, &mix, 0, nullptr, nullptr));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*mix)->Realize(mix, SL_BOOLEAN_FALSE));
    SLDataLocator_BufferQueue bq{SL_DATALOCATOR_BUFFERQUEUE, 2};
    SLDataSource src{&bq, const_cast<SLAndroidDataFormat_PCM_EX *>(&format)};
    SLDataLocator_OutputMix loc{SL_DATALOCATOR_OUTPUTMIX, mix};
    SLDataSink sink{&loc, nullptr};
    ASSERT_EQ(
        SL_RESULT_SUCCESS,
        (*engine.itf)->CreateAudioPlayer(engine.itf, &player, &src, &sink, 0, nullptr, nullptr));
    EXPECT_EQ(SL_RESULT_RESOURCE_ERROR, (*player)->Realize(player, SL_BOOLEAN_FALSE));
    (*player)->Destroy(player);
    (*mix)->Destroy(mix);
}

TEST_F(Backend, WavRecorderReadsTheFileSampleForSampleThenSilence) {
    ASSERT_EQ(0, slhost_set_backend("wav"));
    const std::string in = dir_ + "/in.wav";
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(in.c_str(), SFM_WRITE, &info);
    ASSERT_NE(nullptr, f);
    const int16_t file[] = {1000, -1000, 32767, -32768, 1};
    ASSERT_EQ(5, sf_write_short(f, file, 5));
    sf_close(f);
    setenv("ORV_OPENSLES_WAV_IN", in.c_str(), 1);

    const auto format = sltest::pcm16(2, 8000);
    Recorder rec(engine, &format, 2);
    Callbacks cb;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.queue)->RegisterCallback(rec.queue, Callbacks::on_android, &cb));
    std::vector<int16_t> buf(14, 0x5555);  // 7 stereo frames
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.queue)->Enqueue(rec.queue, buf.data(), 28));
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_RECORDING));
    cb.wait_for(1);
    // The file's one channel on both, exactly; after its end, silence.
    EXPECT_EQ((std::vector<int16_t>{1000, 1000, -1000, -1000, 32767, 32767, -32768, -32768, 1, 1, 0,
                                    0, 0, 0}),
              buf);

    // No file to read makes Realize fail.
    unsetenv("ORV_OPENSLES_WAV_IN");
    SLDataLocator_IODevice dev{SL_DATALOCATOR_IODEVICE, SL_IODEVICE_AUDIOINPUT,
                               SL_DEFAULTDEVICEID_AUDIOINPUT, nullptr};
    SLDataSource src{&dev, nullptr};
    SLDataLocator_AndroidSimpleBufferQueue bq{SL_DATALOCATOR_ANDROIDSIMPLEBUFFERQUEUE, 2};
    SLDataSink sink{&bq, const_cast<SLAndroidDataFormat_PCM_EX *>(&format)};
    SLObjectItf raw = nullptr;
    ASSERT_EQ(
        SL_RESULT_SUCCESS,
        (*engine.itf)->CreateAudioRecorder(engine.itf, &raw, &src, &sink, 0, nullptr, nullptr));
    EXPECT_EQ(SL_RESULT_RESOURCE_ERROR, (*raw)->Realize(raw, SL_BOOLEAN_FALSE));
    (*raw)->Destroy(raw);
}

#ifdef ORV_TEST_ALSA
// Through real alsa-lib: "default" is the file plugin, which writes what is played to a raw file
// and captures from another. Buffers that end inside a frame reach the device byte for byte.
TEST_F(Backend, AlsaMovesBuffersThatSplitFramesByteForByte) {
    const std::string played = dir_ + "/played.raw", in = dir_ + "/in.raw";
    std::vector<uint8_t> pattern(4000);  // 1000 frames of 16-bit stereo
    for (size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<uint8_t>(i * 7 + i / 251);
    }
    FILE *f = std::fopen(in.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(pattern.data(), 1, pattern.size(), f);
    std::fclose(f);
    f = std::fopen((dir_ + "/asound.conf").c_str(), "w");
    ASSERT_NE(nullptr, f);
    std::fprintf(f,
                 "pcm.!default { type file slave.pcm { type null } file \"%s\" infile \"%s\" "
                 "format \"raw\" }\n",
                 played.c_str(), in.c_str());
    std::fclose(f);
    setenv("ALSA_CONFIG_PATH", (dir_ + "/asound.conf").c_str(), 1);
    ASSERT_EQ(0, slhost_set_backend("alsa"));
    const auto format = sltest::pcm16(2, 48000);
    const size_t sizes[] = {1001, 999, 2000};
    {
        Player player(engine, &format, 3);
        Callbacks cb;
        ASSERT_EQ(SL_RESULT_SUCCESS,
                  (*player.queue)->RegisterCallback(player.queue, Callbacks::on_plain, &cb));
        size_t at = 0;
        for (size_t size : sizes) {
            ASSERT_EQ(SL_RESULT_SUCCESS,
                      (*player.queue)->Enqueue(player.queue, pattern.data() + at, size));
            at += size;
        }
        ASSERT_EQ(SL_RESULT_SUCCESS,
                  (*player.play)->SetPlayState(player.play, SL_PLAYSTATE_PLAYING));
        cb.wait_for(3);
        EXPECT_EQ(3u, cb.count());
        EXPECT_NE(std::this_thread::get_id(), cb.calls()[0].thread);
    }
    std::vector<uint8_t> out(pattern.size() + 1);
    f = std::fopen(played.c_str(), "rb");
    ASSERT_NE(nullptr, f);
    out.resize(std::fread(out.data(), 1, out.size(), f));
    std::fclose(f);
    EXPECT_EQ(pattern, out);

    Recorder rec(engine, &format, 2);
    Callbacks cb;
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.queue)->RegisterCallback(rec.queue, Callbacks::on_android, &cb));
    std::vector<uint8_t> got(2000);
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.queue)->Enqueue(rec.queue, got.data(), 1001));
    ASSERT_EQ(SL_RESULT_SUCCESS, (*rec.queue)->Enqueue(rec.queue, got.data() + 1001, 999));
    ASSERT_EQ(SL_RESULT_SUCCESS,
              (*rec.record)->SetRecordState(rec.record, SL_RECORDSTATE_RECORDING));
    cb.wait_for(2);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), pattern.begin()));
}
#endif

}  // namespace
