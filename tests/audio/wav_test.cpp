// What a playback stream hands OpenSL ES, as a listener hears it: the WAV back end records each
// player's output with its format. Real time, but no sleeps: blocking writes wait for exactly
// the completions the test needs.
#include "audio_test_support.h"
#include "audio_track_native.h"

#include <sndfile.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

struct Heard {
    int channels = 0;
    int rate = 0;
    int format = 0;
    std::vector<uint8_t> bytes;
};

Heard readWav(const std::string &path) {
    Heard h;
    SF_INFO info{};
    SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(nullptr, f) << path;
    if (f == nullptr)
        return h;
    h.channels = info.channels;
    h.rate = info.samplerate;
    h.format = info.format & SF_FORMAT_SUBMASK;
    std::vector<uint8_t> buf(1 << 16);
    for (;;) {
        sf_count_t n = sf_read_raw(f, buf.data(), sf_count_t(buf.size()));
        if (n <= 0)
            break;
        h.bytes.insert(h.bytes.end(), buf.begin(), buf.begin() + n);
    }
    sf_close(f);
    return h;
}

class WavPlayback : public audiotest::AudioTest,
                    public ::testing::WithParamInterface<std::tuple<unsigned, bool, int>> {};

TEST_P(WavPlayback, PlaysEachWrittenByteInOrderInTheStreamsFormat) {
    const auto [channels, useFloat, expectedFormat] = GetParam();
    const std::string path =
        "/tmp/orv-audio-test-" + std::to_string(getpid()) + "-" + std::to_string(channels) + ".wav";
    ASSERT_EQ(0, slhost_set_backend("wav"));
    ASSERT_EQ(0, setenv("ORV_OPENSLES_WAV_OUT", path.c_str(), 1));
    const size_t chunk = 960 * channels * (useFloat ? 4 : 2);  // 20 ms at 48 kHz
    {
        AudioTrackNative track;
        ASSERT_EQ(0, track.open(channels, 48000, useFloat, 2));
        std::vector<std::vector<uint8_t>> chunks;
        for (uint8_t i = 0; i < 4; ++i)
            chunks.push_back(audiotest::pattern(chunk, i + 1));
        ASSERT_EQ(int(chunk), track.write(chunks[0].data(), chunk, false));
        ASSERT_EQ(int(chunk), track.write(chunks[1].data(), chunk, false));
        ASSERT_EQ(0, track.start());
        ASSERT_EQ(int(chunk), track.write(chunks[2].data(), chunk, true));  // after the first
        ASSERT_EQ(int(chunk), track.write(chunks[3].data(), chunk, true));  // after the second
        track.close();
        Heard heard = readWav(path);
        EXPECT_EQ(int(channels), heard.channels);
        EXPECT_EQ(48000, heard.rate);
        EXPECT_EQ(expectedFormat, heard.format);
        ASSERT_GE(heard.bytes.size(), 2 * chunk);
        ASSERT_LE(heard.bytes.size(), 4 * chunk);
        std::vector<uint8_t> sent;
        for (const auto &c : chunks)
            sent.insert(sent.end(), c.begin(), c.end());
        sent.resize(heard.bytes.size());
        EXPECT_EQ(sent, heard.bytes);
    }
    unsetenv("ORV_OPENSLES_WAV_OUT");
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Formats, WavPlayback,
                         ::testing::Values(std::make_tuple(2u, false, SF_FORMAT_PCM_16),
                                           std::make_tuple(1u, true, SF_FORMAT_FLOAT)));

}  // namespace
