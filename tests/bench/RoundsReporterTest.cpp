// The rounds kept from Google Benchmark: per iteration, in milliseconds,
// whatever unit the benchmark reports in, and only real rounds.
#include <gtest/gtest.h>

#include "bench/support/RoundsReporter.h"

namespace orlavo::bench {
namespace {

using BenchRun = benchmark::BenchmarkReporter::Run;

BenchRun Round(const char* name, benchmark::TimeUnit unit, double seconds,
               std::int64_t iterations) {
    BenchRun r;
    r.run_name.function_name = name;
    r.time_unit = unit;
    r.real_accumulated_time = seconds;
    r.iterations = iterations;
    return r;
}

TEST(RoundsReporterTest, KeepsEachRoundInMillisecondsPerIteration) {
    std::vector<BenchRun> runs = {
        Round("Activation", benchmark::kMillisecond, 1.0, 100),   // 10 ms each
        Round("Activation", benchmark::kMicrosecond, 0.5, 1000),  // 0.5 ms each
        Round("Load", benchmark::kNanosecond, 0.003, 1),          // 3 ms
        Round("Activation", benchmark::kMillisecond, 9.0, 1),     // a mean, not a round
        Round("Broken", benchmark::kMillisecond, 1.0, 1),         // failed
    };
    runs[3].run_type = BenchRun::RT_Aggregate;
    runs[3].aggregate_name = "mean";
    runs[4].error_occurred = true;
    std::map<std::string, std::vector<double>> ms;
    RoundsReporter::Collect(runs, ms);
    ASSERT_EQ(ms.size(), 2u);
    ASSERT_EQ(ms["Activation"].size(), 2u);
    EXPECT_NEAR(ms["Activation"][0], 10.0, 1e-9);
    EXPECT_NEAR(ms["Activation"][1], 0.5, 1e-9);
    ASSERT_EQ(ms["Load"].size(), 1u);
    EXPECT_NEAR(ms["Load"][0], 3.0, 1e-9);
}

}  // namespace
}  // namespace orlavo::bench
