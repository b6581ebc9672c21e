// A console reporter that also keeps each benchmark's time, so that a program can print how a
// job compares with its floor or its baseline once every run is done.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orvane::bench {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations <= 0) {
                continue;
            }
            // With --benchmark_repetitions the median stands for the benchmark.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const std::string& args = run.run_name.args;
            const std::string name = run.run_name.function_name + (args.empty() ? "" : "/" + args);
            if (median || (run.run_type == Run::RT_Iteration && !medians_.contains(name))) {
                // Every benchmark that is compared runs in milliseconds.
                milliseconds_[name] = run.GetAdjustedRealTime();
                if (median) {
                    medians_.insert(name);
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // job / floor: how many times the floor's time the job takes.
    void PrintRatio(const char* job, const char* floor, double aimAtMost) const {
        if (const double ratio = Ratio(job, floor); ratio > 0) {
            std::printf("%-28s / %-22s = %5.2f  (aim <= %.1f: %s)\n", job, floor, ratio, aimAtMost,
                        ratio <= aimAtMost ? "met" : "MISSED");
        }
    }

    // baseline / job: how many times faster the job is than its baseline.
    void PrintSpeedup(const char* job, const char* baseline, double aimAtLeast) const {
        if (const double ratio = Ratio(job, baseline); ratio > 0) {
            std::printf("%-28s is %5.2fx as fast as %-22s (aim >= %.1fx: %s)\n", job, 1 / ratio,
                        baseline, aimAtLeast, 1 / ratio >= aimAtLeast ? "met" : "MISSED");
        }
    }

    // job - baseline, in milliseconds: what the job does beyond its baseline costs.
    void PrintDifference(const char* job, const char* baseline, const char* what) const {
        const auto j = milliseconds_.find(job);
        const auto b = milliseconds_.find(baseline);
        if (j != milliseconds_.end() && b != milliseconds_.end()) {
            std::printf("%-28s - %-26s = %7.1f ms  (%s)\n", job, baseline, j->second - b->second,
                        what);
        }
    }

  private:
    double Ratio(const char* job, const char* floor) const {
        const auto j = milliseconds_.find(job);
        const auto f = milliseconds_.find(floor);
        return j == milliseconds_.end() || f == milliseconds_.end() ? 0 : j->second / f->second;
    }

    std::map<std::string, double> milliseconds_;
    std::set<std::string> medians_;
};

// A benchmark program's main: runs the benchmarks its arguments select, then lets compare print
// how they compare.
template <typename Compare>
int RunAndCompare(int argc, char** argv, Compare compare) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    compare(reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace orvane::bench
