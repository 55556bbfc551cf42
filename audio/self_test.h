// The self tests behind both nativeTest natives: a stream of their own, opened with the given
// format, playing silence or recording for numBuffers × bufferMs, stopped and torn down. They
// report whether the OpenSL ES steps succeeded, not what the audio was.
#pragma once

#include <chrono>
#include <cstddef>

namespace sonora {

struct SelfTestParams {
    int channelCount;
    int sampleRate;
    bool useFloat;
    int bufferMs;
    int numBuffers;
};

// Bytes of one test buffer and of all of them; false for negative parameters, or a
// sampleRate × bufferMs or a total that does not fit a signed 32-bit int.
bool selfTestSizes(const SelfTestParams &params, size_t *bufferBytes, size_t *totalBytes);

// How long a self test waits for its audio to play or arrive before giving up: four times the
// audio's own duration plus one second.
std::chrono::milliseconds selfTestWaitBound(const SelfTestParams &params);

// 0 when open, start and stop succeeded; open's result when it failed; -38 when start or stop
// failed or the audio did not complete within the bound (WARN); -22 for unusable parameters.
int playbackSelfTest(const SelfTestParams &params);
int captureSelfTest(const SelfTestParams &params);

}  // namespace sonora
