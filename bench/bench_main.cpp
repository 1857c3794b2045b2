// Runs every registered benchmark and ends with one line of ratios between
// pairs of them, e.g. "paint/encode 0.21": the real time per iteration of
// the first benchmark of a pair over that of the second, each the median of
// its repetitions. Unless the command line says otherwise, every benchmark
// runs in 9 repetitions interleaved at random with the others', so that
// disk write-back started by one does not land on another alone. A pair is
// printed only when both of its benchmarks ran.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/footprint.h"

namespace {

struct Ratio {
  const char* label;
  const char* numerator;    // benchmark name
  const char* denominator;  // benchmark name
};

// In the order they appear on the last line.
constexpr Ratio kRatios[] = {
    {"pass/floor", "BM_Pass", "BM_PassFloor"},
    {"paint/encode", "BM_PaintChart", "BM_BareEncode"},
};

// Prints as the console reporter does and keeps the mean real time per
// iteration of every benchmark, in seconds.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  explicit RecordingReporter(OutputOptions options) : ConsoleReporter(options) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      means_[run.run_name.function_name].push_back(run.real_accumulated_time /
                                                   static_cast<double>(run.iterations));
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The median over the repetitions of the real time per iteration; false
  // when the benchmark did not run.
  bool MedianSeconds(const std::string& name, double* seconds) const {
    const auto it = means_.find(name);
    if (it == means_.end() || it->second.empty()) return false;
    std::vector<double> values = it->second;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    *seconds = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return true;
  }

 private:
  std::map<std::string, std::vector<double>> means_;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  bool repetitions_given = false;
  for (int i = 1; i < argc; ++i)
    repetitions_given |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
  static char repetitions[] = "--benchmark_repetitions=9";
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  static char no_aggregates[] = "--benchmark_report_aggregates_only=false";
  if (!repetitions_given) {
    args.push_back(repetitions);
    args.push_back(interleave);
    args.push_back(no_aggregates);
  }
  args.push_back(nullptr);
  argc = static_cast<int>(args.size()) - 1;
  argv = args.data();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Colours only on a terminal, so that a captured last line is plain text.
  RecordingReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                   : benchmark::ConsoleReporter::OO_Tabular);
  kelvra::PrintServiceFootprint();
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::string line;
  for (const Ratio& ratio : kRatios) {
    double numerator = 0;
    double denominator = 0;
    if (!reporter.MedianSeconds(ratio.numerator, &numerator) ||
        !reporter.MedianSeconds(ratio.denominator, &denominator) || denominator <= 0)
      continue;
    char figure[32];
    std::snprintf(figure, sizeof figure, "%.3f", numerator / denominator);
    if (!line.empty()) line += ' ';
    line += std::string(ratio.label) + ' ' + figure;
  }
  std::fflush(stdout);
  std::printf("%s\n", line.c_str());
  return 0;
}
