// orv-audio's recordings past the 32-bit RIFF limit, written through libsndfile into a sink that
// keeps only the header: which container a planned length gets, and what the header says once
// more than 4 GiB went through (none of it stored).
#include "wav_output.h"

#include <stdio.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using orvaudio::kWavDataLimit;

// A file of which only the first 4 KiB are kept.
struct HeaderSink {
    sf_count_t offset = 0, length = 0;
    std::string head = std::string(4096, '\0');
};

HeaderSink &Sink(void *user) {
    return *static_cast<HeaderSink *>(user);
}

SF_VIRTUAL_IO kHeaderOnly = {
    [](void *u) { return Sink(u).length; },
    [](sf_count_t offset, int whence, void *u) {
        HeaderSink &s = Sink(u);
        s.offset = offset + (whence == SEEK_CUR ? s.offset : whence == SEEK_END ? s.length : 0);
        return s.offset;
    },
    [](void *, sf_count_t, void *) -> sf_count_t { return 0; },
    [](const void *data, sf_count_t count, void *u) {
        HeaderSink &s = Sink(u);
        const sf_count_t head = static_cast<sf_count_t>(s.head.size());
        if (s.offset < head)
            s.head.replace(s.offset, std::min(count, head - s.offset),
                           static_cast<const char *>(data), std::min(count, head - s.offset));
        s.offset += count;
        s.length = std::max(s.length, s.offset);
        return count;
    },
    [](void *u) { return Sink(u).offset; },
};

uint64_t Read(const std::string &head, size_t at, size_t bytes) {
    uint64_t v = 0;
    std::memcpy(&v, head.data() + at, bytes);  // little-endian hosts
    return v;
}

TEST(OrvAudioWav, PastFourGibibytesTheHeaderIsRf64WithTheWholeLength) {
    EXPECT_EQ(SF_FORMAT_WAV, orvaudio::RecordingContainer(kWavDataLimit));
    EXPECT_EQ(SF_FORMAT_RF64, orvaudio::RecordingContainer(kWavDataLimit + 1));
    const uint64_t kPast = (uint64_t{1} << 32) + 4096;  // 4-byte frames
    struct Row {
        uint64_t planned, written;
        std::string container;
    } rows[] = {
        {4000, 4000, "RIFF"},
        {kPast, 4000, "RIFF"},  // planned long, ended early
        {kPast, kPast, "RF64"},
    };
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
        const size_t data = sink.head.find("data");
        ASSERT_NE(std::string::npos, data);
        // RF64 keeps the data's size in its ds64 chunk.
        EXPECT_EQ(row.written,
                  row.container == "RF64" ? Read(sink.head, 28, 8) : Read(sink.head, data + 4, 4));
    }
}

}  // namespace
