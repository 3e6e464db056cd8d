// Time of one full computation (sums, determinants, shift, validation) for 5 and 9 marks.
#include <benchmark/benchmark.h>

#include "calib_compute.h"

static void BenchComputeCalibration(benchmark::State& state)
{
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    int32_t markX[MaxCalibPoints], markY[MaxCalibPoints];
    int32_t rawX[MaxCalibPoints], rawY[MaxCalibPoints];
    for (uint32_t i = 0; i < n; ++i) {
        MarkPosition(1920, 1080, i + 1, 10, &markX[i], &markY[i]);
        rawX[i] = 4095 - markX[i] * 2 + static_cast<int32_t>(i % 3);
        rawY[i] = 200 + markY[i] * 3 - static_cast<int32_t>(i % 2);
    }
    CalibrationRecord record = {};
    uint32_t worst;
    int32_t worstIndex;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ComputeCalibration(&record, n, markX, markY, rawX, rawY, 30, &worst, &worstIndex));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BenchComputeCalibration)->Arg(5)->Arg(9);

BENCHMARK_MAIN();
