// Loading a large Latin-1 text with CR LF lines into a string list, plain and sorted, against splitting (and sorting)
// the same bytes with the standard library.
#include <benchmark/benchmark.h>

#include <strings.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/core/streams.h"

namespace {

// About 2 MB of catalogue-like lines: numbers, German words with umlauts, some long and some empty lines. The
// numbers rise with the line, or come in random order (for loading into a sorted list).
std::string MakeText(bool shuffled) {
  static const char* const words[] = {
      "Pr\xFC"
      "fung",
      "Antwort",
      "Frequenz",
      "Wellenl\xE4"
      "nge",
      "Spannung",
      "Widerstand",
      "Kapazit\xE4t",
      "D\xE4mpfung",
      "Stromst\xE4rke",
      "Gro\xDF"};
  std::string out;
  uint32_t seed = 1;
  for (int line = 0; out.size() < 2 * 1024 * 1024; ++line) {
    seed = seed * 1664525 + 1013904223;
    int words_in_line = static_cast<int>(seed >> 28);  // 0 to 15
    out += std::to_string(shuffled ? 100000 + seed % 900000 : 10000 + line);
    for (int w = 0; w < words_in_line; ++w) {
      out += ' ';
      out += words[(seed >> (w % 24)) % 10];
    }
    out += "\r\n";
  }
  return out;
}

const std::string& Text() {
  static const std::string text = MakeText(false);
  return text;
}

const std::string& ShuffledText() {
  static const std::string text = MakeText(true);
  return text;
}

std::vector<std::string> StdlibLines(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

void StringsLoadOurs(benchmark::State& state) {
  const std::string& text = Text();
  pf::TMemoryStream stream;
  stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  for (auto _ : state) {
    stream.SetPosition(0);
    pf::TStringList list;
    list.LoadFromStream(stream);
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void StringsLoadStdlib(benchmark::State& state) {
  const std::string& text = Text();
  for (auto _ : state) benchmark::DoNotOptimize(StdlibLines(text).size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

// Into a sorted list that ignores duplicates; the peer splits, sorts without regard to case and drops equals.
void SortedLoadOurs(benchmark::State& state) {
  const std::string& text = ShuffledText();
  for (auto _ : state) {
    pf::TStringList list;
    list.SetSorted(true);
    list.SetText(text);
    benchmark::DoNotOptimize(list.Count());
  }
}

void SortedLoadStdlib(benchmark::State& state) {
  const std::string& text = ShuffledText();
  auto less = [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; };
  for (auto _ : state) {
    std::vector<std::string> lines = StdlibLines(text);
    std::stable_sort(lines.begin(), lines.end(), less);
    auto end = std::unique(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
      return strcasecmp(a.c_str(), b.c_str()) == 0;
    });
    benchmark::DoNotOptimize(end - lines.begin());
  }
}

BENCHMARK(StringsLoadOurs)->Name("strings-load/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(StringsLoadStdlib)->Name("strings-load/stdlib")->Unit(benchmark::kMillisecond);
BENCHMARK(SortedLoadOurs)->Name("strings-load-sorted/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(SortedLoadStdlib)->Name("strings-load-sorted/stdlib")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
