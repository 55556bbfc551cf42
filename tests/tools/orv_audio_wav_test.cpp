// orv-audio's recordings past the 32-bit RIFF limit, written through libsndfile into a sink that
// keeps only the first 4 KiB: the header once more than 4 GiB went through.
#include "wav_output.h"

#include <stdio.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct HeaderSink {
    sf_count_t offset = 0, length = 0;
    std::string head = std::string(4096, '\0');
};
HeaderSink &Sink(void *user) {
    return *static_cast<HeaderSink *>(user);
}
SF_VIRTUAL_IO kHeaderOnly = {
    [](void *u) { return Sink(u).length; },
    [](sf_count_t to, int whence, void *u) {
        HeaderSink &s = Sink(u);
        return s.offset = to + (whence == SEEK_CUR ? s.offset : whence == SEEK_END ? s.length : 0);
    },
    nullptr,
    [](const void *data, sf_count_t count, void *u) {
        HeaderSink &s = Sink(u);
        const sf_count_t n = std::min<sf_count_t>(count, std::max<sf_count_t>(4096 - s.offset, 0));
        s.head.replace(std::min<sf_count_t>(s.offset, 4096), n, static_cast<const char *>(data), n);
        s.length = std::max(s.length, s.offset += count);
        return count;
    },
    [](void *u) { return Sink(u).offset; },
};

TEST(OrvAudioWav, PastFourGibibytesTheHeaderIsRf64WithTheWholeLength) {
    EXPECT_EQ(SF_FORMAT_WAV, orvaudio::RecordingContainer(orvaudio::kWavDataLimit));
    EXPECT_EQ(SF_FORMAT_RF64, orvaudio::RecordingContainer(orvaudio::kWavDataLimit + 1));
    const uint64_t kPast = (uint64_t{1} << 32) + 4096;  // 4-byte frames
    struct Row {
        uint64_t planned, written;
        std::string container;
    } rows[] = {{4000, 4000, "RIFF"}, {kPast, 4000, "RIFF"}, {kPast, kPast, "RF64"}};
    const std::vector<char> zeros(1 << 20);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.written);
        HeaderSink sink;
        {
            orvaudio::Sndfile file =
                orvaudio::CreateRecording(&kHeaderOnly, &sink, {48000, 2, false, row.planned});
            ASSERT_TRUE(file) << sf_strerror(nullptr);
            for (uint64_t left = row.written; left > 0;) {
                const sf_count_t n =
                    static_cast<sf_count_t>(std::min<uint64_t>(left, zeros.size()));
                ASSERT_EQ(n, sf_write_raw(file.get(), zeros.data(), n));
                left -= n;
            }
        }
        EXPECT_EQ(row.container, sink.head.substr(0, 4));
        // The data's size: in the ds64 chunk for RF64, after the data chunk's tag for RIFF.
        const bool rf64 = row.container == "RF64";
        const size_t at = rf64 ? 28 : sink.head.find("data") + 4;
        ASSERT_LT(at, sink.head.size());
        uint64_t size = 0;
        std::memcpy(&size, &sink.head[at], rf64 ? 8 : 4);
        EXPECT_EQ(row.written, size);
    }
}

}  // namespace
