// Inflate against zlib's inflate on the same raw Deflate streams: 50 MB of text and binary data compressed at
// levels 1, 6 and 9; one iteration decodes all three.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "zip/methods.h"
#include "zip/zip_errors.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Text like the catalogue's (German words, numbers, line breaks), the benchmark's own executable as binary
// code, and binary records of counters and measurements.
Bytes MakeData() {
  const size_t total = 50u << 20;
  Bytes data;
  data.reserve(total);
  std::mt19937 rng(1);
  static const char* words[] = {"Frage", "Antenne",  "Spannung",    "Strom",  "Widerstand", "Kondensator", "Spule",
                                "Welle", "Frequenz", "Leistung",    "der",    "die",        "das",         "und",
                                "bei",   "einer",    "Amateurfunk", "Sender", "Empfänger",  "Dämpfung",    "Ohm"};
  while (data.size() < total / 2) {
    std::string line = "TA" + std::to_string(100 + rng() % 900) + " ";
    int n = 5 + static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) line += std::string(words[rng() % 21]) + (rng() % 7 ? " " : ", ");
    line += std::to_string(rng() % 10000) + " V\r\n";
    data.insert(data.end(), line.begin(), line.end());
  }
  std::ifstream self("/proc/self/exe", std::ios::binary);
  Bytes code((std::istreambuf_iterator<char>(self)), std::istreambuf_iterator<char>());
  if (code.empty()) code.assign(1 << 20, 0x90);
  size_t codeEnd = data.size() + total / 5;
  for (size_t i = 0; data.size() < codeEnd; ++i) data.push_back(code[i % code.size()]);
  uint32_t counter = 0;
  while (data.size() < total) {
    uint32_t record[4] = {counter++, static_cast<uint32_t>(rng() % 1000), static_cast<uint32_t>(rng()), counter * 3u};
    const auto* p = reinterpret_cast<const uint8_t*>(record);
    data.insert(data.end(), p, p + sizeof record);
  }
  data.resize(total);
  return data;
}

Bytes RawDeflate(const Bytes& data, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, data.size()));
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

struct Corpus {
  Bytes plain;
  std::vector<Bytes> packed;
  Bytes output;
  Corpus() : plain(MakeData()), output(plain.size()) {
    for (int level : {1, 6, 9}) packed.push_back(RawDeflate(plain, level));
  }
};

const Corpus& Data() {
  static const Corpus corpus;
  return corpus;
}

class Input : public zip::DecoderInput {
 public:
  explicit Input(const Bytes& b) {
    inNext = b.data();
    inEnd = b.data() + b.size();
  }
  uint8_t ReadInputByte() override {
    if (inNext != inEnd) return *inNext++;
    if (++zeros_ > 64) throw zip::EFatalUnzipError(zip::kMsgPrematureEnd);
    return 0;
  }

 private:
  int zeros_ = 0;
};

class Output : public zip::DecoderOutput {
 public:
  explicit Output(uint8_t* target) : target_(target) {}
  size_t size = 0;

 protected:
  void FlushWindow(const uint8_t* data, int count) override {
    std::memcpy(target_ + size, data, static_cast<size_t>(count));
    size += static_cast<size_t>(count);
  }

 private:
  uint8_t* target_;
};

size_t InflateOurs(const Bytes& packed, uint8_t* out) {
  Input in(packed);
  Output o(out);
  if (zip::Inflate(in, o) != zip::kInflateOk) std::abort();
  return o.size;
}

size_t InflateZlib(const Bytes& packed, uint8_t* out, size_t capacity) {
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = const_cast<Bytef*>(packed.data());
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = out;
  z.avail_out = static_cast<uInt>(capacity);
  if (inflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
  size_t n = z.total_out;
  inflateEnd(&z);
  return n;
}

void BM_InflateOurs(benchmark::State& state) {
  auto& corpus = const_cast<Corpus&>(Data());
  for (const Bytes& p : corpus.packed) {
    size_t n = InflateOurs(p, corpus.output.data());
    if (n != corpus.plain.size() || corpus.output != corpus.plain) std::abort();  // checked once, before timing
  }
  for (auto _ : state)
    for (const Bytes& p : corpus.packed) benchmark::DoNotOptimize(InflateOurs(p, corpus.output.data()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 3 * static_cast<int64_t>(corpus.plain.size()));
}

void BM_InflateZlib(benchmark::State& state) {
  auto& corpus = const_cast<Corpus&>(Data());
  for (auto _ : state)
    for (const Bytes& p : corpus.packed)
      benchmark::DoNotOptimize(InflateZlib(p, corpus.output.data(), corpus.output.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 3 * static_cast<int64_t>(corpus.plain.size()));
}

BENCHMARK(BM_InflateOurs)->Name("inflate/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateZlib)->Name("inflate/zlib")->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
