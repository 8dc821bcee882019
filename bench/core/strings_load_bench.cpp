// Loading a large Latin-1 text with CR LF lines into a string list, against splitting the same bytes with the
// standard library's line reader.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/core/streams.h"

namespace {

// About 2 MB of catalogue-like lines: numbers, German words with umlauts, some long and some empty lines.
const std::string& Text() {
  static const std::string text = [] {
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
      out += std::to_string(10000 + line);
      for (int w = 0; w < words_in_line; ++w) {
        out += ' ';
        out += words[(seed >> (w % 24)) % 10];
      }
      out += "\r\n";
    }
    return out;
  }();
  return text;
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
  for (auto _ : state) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    benchmark::DoNotOptimize(lines.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

BENCHMARK(StringsLoadOurs)->Name("strings-load/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(StringsLoadStdlib)->Name("strings-load/stdlib")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
