// Runs every registered benchmark and ends with one line of ratios between
// pairs of them, e.g. "paint/encode 0.21": the mean real time of the first
// benchmark of a pair over that of the second. A pair is printed only when
// both of its benchmarks ran (a --benchmark_filter may leave some out).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Ratio {
  const char* label;
  const char* numerator;    // benchmark name
  const char* denominator;  // benchmark name
};

// In the order they appear on the last line.
constexpr Ratio kRatios[] = {
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
      Totals& totals = totals_[run.benchmark_name()];
      totals.seconds += run.real_accumulated_time;
      totals.iterations += static_cast<double>(run.iterations);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // False when the benchmark did not run.
  bool MeanSeconds(const std::string& name, double* seconds) const {
    const auto it = totals_.find(name);
    if (it == totals_.end() || it->second.iterations == 0) return false;
    *seconds = it->second.seconds / it->second.iterations;
    return true;
  }

 private:
  struct Totals {
    double seconds = 0;
    double iterations = 0;
  };
  std::map<std::string, Totals> totals_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Colours only on a terminal, so that a captured last line is plain text.
  RecordingReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                   : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::string line;
  for (const Ratio& ratio : kRatios) {
    double numerator = 0;
    double denominator = 0;
    if (!reporter.MeanSeconds(ratio.numerator, &numerator) ||
        !reporter.MeanSeconds(ratio.denominator, &denominator) || denominator <= 0)
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
