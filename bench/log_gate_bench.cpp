// Cost of the camera library's log gate, which reads "orv.log.level" at every call: it sits
// on the frame path wherever a DEBUG line is written per frame.
#include <benchmark/benchmark.h>

#include "orv_log.h"

static void BM_LogGateClosed(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(orv_log_enabled(ANDROID_LOG_DEBUG));
}
BENCHMARK(BM_LogGateClosed);

BENCHMARK_MAIN();
