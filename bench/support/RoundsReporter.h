#pragma once
// For the Google Benchmark programs: runs every benchmark ROUNDS times
// (repetitions) and keeps each round's real time per iteration, in
// milliseconds, by benchmark name, while the console shows what it always
// shows.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

namespace orlavo::bench {

class RoundsReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that a log stays plain text.
    RoundsReporter() : ConsoleReporter(isatty(1) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        Collect(runs, milliseconds);
        ConsoleReporter::ReportRuns(runs);
    }

    // Adds each round of RUNS (not the aggregates, not failed runs) to INTO
    // under its benchmark's name, as milliseconds per iteration.
    static void Collect(const std::vector<Run>& runs,
                        std::map<std::string, std::vector<double>>& into) {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double perSecond = benchmark::GetTimeUnitMultiplier(run.time_unit);
            into[run.benchmark_name()].push_back(run.GetAdjustedRealTime() / perSecond * 1000.0);
        }
    }

    std::map<std::string, std::vector<double>> milliseconds;
};

// Initializes Google Benchmark with ARGV and ROUNDS repetitions of each
// benchmark, runs them all and gives each one's rounds.
inline std::map<std::string, std::vector<double>> RunRounds(int argc, char** argv, int rounds) {
    std::vector<std::string> store(argv, argv + argc);
    store.push_back("--benchmark_repetitions=" + std::to_string(rounds));
    std::vector<char*> args;
    for (std::string& s : store)
        args.push_back(s.data());
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    RoundsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.milliseconds;
}

}  // namespace orlavo::bench
