#include "self_test.h"

#include "audio_record_native.h"
#include "audio_track_native.h"
#include "results.h"
#include "sonora_log.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>

namespace sonora {
namespace {

using Clock = std::chrono::steady_clock;

constexpr useconds_t kPollMicros = 5000;

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
using Memory = std::unique_ptr<unsigned char, FreeDeleter>;

long long millis(std::chrono::milliseconds ms) {
    return static_cast<long long>(ms.count());
}

// Waits, looking every 5 ms, until every queued copy completed; false when the bound passed.
bool waitUntilPlayed(AudioTrackNative &track, unsigned char *, size_t,
                     std::chrono::milliseconds bound) {
    const Clock::time_point deadline = Clock::now() + bound;
    for (;;) {
        const int pending = track.buffersPending();
        if (pending == 0)
            return true;
        if (Clock::now() >= deadline) {
            SONORA_LOGW("nativeTest: %d buffers still queued after %lld ms", pending,
                        millis(bound));
            return false;
        }
        usleep(kPollMicros);
    }
}

// Reads `total` bytes with non-blocking reads, 5 ms apart; false when the bound passed.
// A read error ends the loop without changing the result.
bool readUntilFull(AudioRecordNative &record, unsigned char *data, size_t total,
                   std::chrono::milliseconds bound) {
    const Clock::time_point deadline = Clock::now() + bound;
    size_t position = 0;
    while (position < total) {
        const long got = record.read(data + position, total - position, false);
        if (got < 0)
            return true;
        position += static_cast<size_t>(got);
        if (position >= total)
            break;
        if (Clock::now() >= deadline) {
            SONORA_LOGW("nativeTest: %zu of %zu bytes recorded after %lld ms", position, total,
                        millis(bound));
            return false;
        }
        usleep(kPollMicros);
    }
    return true;
}

// The course both tests take: `prepare` the open stream (given the silence and the bytes of one
// test buffer), log the buffer queue's state, start, `run` until the audio completed (false when
// the bound passed first), stop; the stream is closed on every path.
template <class Stream, class Prepare, class Run>
int runSelfTest(const SelfTestParams &p, Prepare prepare, Run run) {
    size_t bufferBytes = 0;
    size_t totalBytes = 0;
    if (!selfTestSizes(p, &bufferBytes, &totalBytes))
        return kResultBadValue;
    Stream stream;
    // Zero-filled memory for every test buffer; at least one byte so that an empty test still
    // owns a block.
    Memory memory(static_cast<unsigned char *>(std::calloc(totalBytes == 0 ? 1 : totalBytes, 1)));
    if (!memory)
        return kResultNoStream;
    int result =
        stream.open(static_cast<unsigned>(p.channelCount), static_cast<unsigned>(p.sampleRate),
                    p.useFloat, static_cast<unsigned>(p.numBuffers));
    if (result == 0) {
        prepare(stream, memory.get(), bufferBytes);
        stream.logBufferState();
        result = stream.start();
        if (result == 0) {
            const bool completed = run(stream, memory.get(), totalBytes, selfTestWaitBound(p));
            result = stream.stop();
            if (!completed)
                result = kResultNoStream;
        }
    }
    stream.close();
    return result;
}

}  // namespace

bool selfTestSizes(const SelfTestParams &p, size_t *bufferBytes, size_t *totalBytes) {
    constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();
    if (p.channelCount < 0 || p.sampleRate < 0 || p.bufferMs < 0 || p.numBuffers < 0)
        return false;
    const int64_t product = static_cast<int64_t>(p.sampleRate) * p.bufferMs;
    if (product > kIntMax)
        return false;
    const int64_t frames = product / 1000;
    const int64_t frameBytes = static_cast<int64_t>(p.channelCount) * (p.useFloat ? 4 : 2);
    const int64_t buffer = frames * frameBytes;  // at most 2^31 / 1000 × 2^33: no overflow
    if (buffer > kIntMax || (p.numBuffers != 0 && buffer > kIntMax / p.numBuffers))
        return false;
    *bufferBytes = static_cast<size_t>(buffer);
    *totalBytes = static_cast<size_t>(buffer * p.numBuffers);
    return true;
}

std::chrono::milliseconds selfTestWaitBound(const SelfTestParams &p) {
    constexpr int64_t kLongest = int64_t{1} << 40;  // keeps 4 × the audio within 64 bits
    const int64_t audioMs = std::min(static_cast<int64_t>(p.bufferMs) * p.numBuffers, kLongest);
    return std::chrono::milliseconds(4 * audioMs + 1000);
}

int playbackSelfTest(const SelfTestParams &p) {
    return runSelfTest<AudioTrackNative>(
        p,
        [&p](AudioTrackNative &track, unsigned char *silence, size_t bufferBytes) {
            for (int i = 0; i < p.numBuffers; ++i) {
                track.write(silence + static_cast<size_t>(i) * bufferBytes, bufferBytes, false);
            }
        },
        waitUntilPlayed);
}

int captureSelfTest(const SelfTestParams &p) {
    return runSelfTest<AudioRecordNative>(
        p, [](AudioRecordNative &, unsigned char *, size_t) {}, readUntilFull);
}

}  // namespace sonora
