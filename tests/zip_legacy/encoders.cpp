#include "tests/zip_legacy/encoders.h"

#include <algorithm>
#include <array>
#include <queue>
#include <unordered_map>

namespace ziptest {

namespace {

struct Match {
  int length = 0;
  int distance = 0;
};

// Longest earlier match within a window, through chains of positions with equal first two bytes.
class MatchFinder {
 public:
  MatchFinder(const Bytes& data, int window, int maxLength)
      : data_(data), window_(window), maxLength_(maxLength), head_(65536, -1), prev_(data.size(), -1) {}

  Match Find(size_t pos) const {
    Match best;
    if (pos + 1 >= data_.size()) return best;
    int limit = static_cast<int>(std::min<size_t>(static_cast<size_t>(maxLength_), data_.size() - pos));
    int candidate = head_[Key(pos)];
    for (int chain = 0; candidate >= 0 && chain < 256; ++chain) {
      int distance = static_cast<int>(pos) - candidate;
      if (distance > window_) break;
      int length = 0;
      while (length < limit &&
             data_[static_cast<size_t>(candidate + length)] == data_[pos + static_cast<size_t>(length)])
        ++length;
      if (length > best.length) best = {length, distance};
      candidate = prev_[static_cast<size_t>(candidate)];
    }
    return best;
  }

  void Insert(size_t pos) {
    if (pos + 1 >= data_.size()) return;
    int key = Key(pos);
    prev_[pos] = head_[key];
    head_[key] = static_cast<int>(pos);
  }

 private:
  int Key(size_t pos) const { return data_[pos] << 8 | data_[pos + 1]; }

  const Bytes& data_;
  int window_;
  int maxLength_;
  std::vector<int> head_;
  std::vector<int> prev_;
};

// ---- Shrink ----

class ShrinkEncoder {
 public:
  static constexpr int kCodes = 8192;

  explicit ShrinkEncoder(int clearEvery) : clearEvery_(clearEvery) {
    for (int c = 0; c < 256; ++c) inUse_[c] = 1;
  }

  Bytes Run(const Bytes& data) {
    size_t pos = 0;
    int prev = -1;
    int sinceClear = 0;
    while (pos < data.size()) {
      // Clear shortly before the table is full (Debian's unzip refuses a code read while the table is full), and
      // only while the previous code survives the clear, so that no entry ever names a freed prefix.
      bool wanted = freeCode_ >= kCodes - 256 || (clearEvery_ > 0 && sinceClear >= clearEvery_);
      if (wanted && prev >= 0 && (prev < 256 || children_[prev] > 0)) {
        Emit(256);
        Emit(2);
        PartialClear();
        sinceClear = 0;
      }
      uint8_t c = data[pos];
      if (prev >= 0) Add(prev, c);  // the entry the decoder adds when it reads the next code
      int w = c;
      ++pos;
      while (pos < data.size()) {
        auto it = map_.find(Key(w, data[pos]));
        if (it == map_.end()) break;
        w = it->second;
        ++pos;
      }
      while (w >= (1 << width_)) {
        Emit(256);
        Emit(1);
        ++width_;
      }
      Emit(w);
      prev = w;
      ++sinceClear;
    }
    return out_.Finish();
  }

 private:
  static uint32_t Key(int prefix, uint8_t c) { return static_cast<uint32_t>(prefix) << 8 | c; }

  void Emit(int code) { out_.Put(static_cast<uint32_t>(code), width_); }

  void Add(int prefix, uint8_t c) {
    if (freeCode_ >= kCodes) return;
    int code = freeCode_;
    parent_[code] = prefix;
    suffix_[code] = c;
    inUse_[code] = 1;
    map_[Key(prefix, c)] = code;
    ++children_[prefix];
    while (freeCode_ < kCodes && inUse_[freeCode_]) ++freeCode_;
  }

  // Frees the codes that are no prefix at the moment of the clear (a code that loses its last child here stays).
  void PartialClear() {
    std::vector<int> leaves;
    for (int c = 257; c < kCodes; ++c)
      if (inUse_[c] && children_[c] == 0) leaves.push_back(c);
    for (int c : leaves) {
      inUse_[c] = 0;
      map_.erase(Key(parent_[c], suffix_[c]));
      --children_[parent_[c]];
    }
    freeCode_ = 257;
    while (freeCode_ < kCodes && inUse_[freeCode_]) ++freeCode_;
  }

  int clearEvery_;
  int width_ = 9;
  int freeCode_ = 257;
  std::array<int, kCodes> parent_{};
  std::array<uint8_t, kCodes> suffix_{};
  std::array<uint8_t, kCodes> inUse_{};
  std::array<int, kCodes> children_{};
  std::unordered_map<uint32_t, int> map_;
  BitWriter out_;
};

// ---- Implode ----

// Code lengths of a Huffman code over all symbols (each counted at least once), at most maxLength bits; such a code
// is always complete, as the implode format's trees are.
std::vector<int> CodeLengths(std::vector<uint64_t> freq, int maxLength) {
  const size_t n = freq.size();
  for (auto& f : freq) ++f;
  for (;;) {
    std::vector<int> parent(2 * n, -1);
    using Node = std::pair<uint64_t, int>;
    std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
    for (size_t i = 0; i < n; ++i) queue.push({freq[i], static_cast<int>(i)});
    int next = static_cast<int>(n);
    while (queue.size() > 1) {
      Node a = queue.top();
      queue.pop();
      Node b = queue.top();
      queue.pop();
      parent[static_cast<size_t>(a.second)] = next;
      parent[static_cast<size_t>(b.second)] = next;
      queue.push({a.first + b.first, next++});
    }
    std::vector<int> lengths(n);
    int longest = 0;
    for (size_t i = 0; i < n; ++i) {
      int depth = 0;
      for (int p = parent[i]; p >= 0; p = parent[static_cast<size_t>(p)]) ++depth;
      lengths[i] = depth;
      longest = std::max(longest, depth);
    }
    if (longest <= maxLength) return lengths;
    for (auto& f : freq) f = f / 2 + 1;
  }
}

// The codes as the format assigns them: lengths sorted ascending (stable), codes counted up from 0 starting at the
// longest; each code returned right-aligned, first bit most significant.
std::vector<uint32_t> ShannonFanoCodes(const std::vector<int>& lengths) {
  std::vector<int> order(lengths.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return lengths[a] < lengths[b]; });
  std::vector<uint32_t> codes(lengths.size());
  uint32_t code = 0;
  uint32_t increment = 0;
  int last = 0;
  for (int i = static_cast<int>(order.size()) - 1; i >= 0; --i) {
    int s = order[static_cast<size_t>(i)];
    code += increment;
    if (lengths[static_cast<size_t>(s)] != last) {
      last = lengths[static_cast<size_t>(s)];
      increment = 1u << (16 - last);
    }
    codes[static_cast<size_t>(s)] = (code & 0xFFFFu) >> (16 - last);
  }
  return codes;
}

// The compressed tree: a byte holding the count of bytes less one, then runs of equal lengths in symbol order,
// each byte (run - 1) << 4 | (length - 1).
void PutTree(BitWriter& out, const std::vector<int>& lengths) {
  Bytes runs;
  for (size_t i = 0; i < lengths.size();) {
    size_t run = 1;
    while (i + run < lengths.size() && run < 16 && lengths[i + run] == lengths[i]) ++run;
    runs.push_back(static_cast<uint8_t>((run - 1) << 4 | static_cast<size_t>(lengths[i] - 1)));
    i += run;
  }
  out.Put(static_cast<uint32_t>(runs.size() - 1), 8);
  for (uint8_t b : runs) out.Put(b, 8);
}

// A tree's code lengths and codes.
struct Tree {
  explicit Tree(const std::vector<uint64_t>& freq) : lengths(CodeLengths(freq, 16)), codes(ShannonFanoCodes(lengths)) {}
  void Put(BitWriter& out, size_t symbol) const { out.PutCode(codes[symbol], lengths[symbol]); }
  std::vector<int> lengths;
  std::vector<uint32_t> codes;
};

struct Token {
  bool literal;
  uint8_t value;
  int length;
  int distance;
};

}  // namespace

Bytes Shrink(const Bytes& data, int clearEvery) { return ShrinkEncoder(clearEvery).Run(data); }

Bytes Reduce(const Bytes& data, int factor, bool matches) {
  const int lengthBits = 8 - factor;
  const int mask = (1 << lengthBits) - 1;
  const int maxDistance = 256 << factor;
  const int maxLength = mask + 255 + 3;

  // First stage: literals (DLE written as DLE 0) and copies (DLE, V, [extra length], low distance byte).
  Bytes stage;
  MatchFinder finder(data, maxDistance, maxLength);
  for (size_t pos = 0; pos < data.size();) {
    Match m = matches ? finder.Find(pos) : Match{};
    // V = 0 would read as a literal DLE: a copy of 3 from within 256 bytes cannot be written.
    if (m.length >= 3 && !(m.length == 3 && m.distance <= 256)) {
      int far = (m.distance - 1) >> 8;
      int extra = m.length - 3;
      stage.push_back(144);
      if (extra < mask) {
        stage.push_back(static_cast<uint8_t>(far << lengthBits | extra));
      } else {
        stage.push_back(static_cast<uint8_t>(far << lengthBits | mask));
        stage.push_back(static_cast<uint8_t>(extra - mask));
      }
      stage.push_back(static_cast<uint8_t>((m.distance - 1) & 0xFF));
      for (int i = 0; i < m.length; ++i) finder.Insert(pos++);
    } else {
      stage.push_back(data[pos]);
      if (data[pos] == 144) stage.push_back(0);
      finder.Insert(pos++);
    }
  }

  // Second stage: follower sets of the bytes that most often follow each byte (seen at least twice), stored from
  // byte 255 down.
  std::vector<std::array<uint32_t, 256>> counts(256, std::array<uint32_t, 256>{});
  uint8_t last = 0;
  for (uint8_t c : stage) {
    ++counts[last][c];
    last = c;
  }
  std::vector<Bytes> sets(256);
  BitWriter out;
  for (size_t x = 256; x-- > 0;) {
    Bytes& set = sets[x];
    for (size_t c = 0; c < 256; ++c)
      if (counts[x][c] >= 2) set.push_back(static_cast<uint8_t>(c));
    std::stable_sort(set.begin(), set.end(), [&](uint8_t a, uint8_t b) { return counts[x][a] > counts[x][b]; });
    if (set.size() > 32) set.resize(32);
    out.Put(static_cast<uint32_t>(set.size()), 6);
    for (uint8_t c : set) out.Put(c, 8);
  }
  last = 0;
  for (uint8_t c : stage) {
    const Bytes& set = sets[last];
    if (set.empty()) {
      out.Put(c, 8);
    } else {
      auto it = std::find(set.begin(), set.end(), c);
      if (it == set.end()) {
        out.Put(1, 1);
        out.Put(c, 8);
      } else {
        out.Put(0, 1);
        int bits = 1;  // enough for the set's largest index, at least one
        while ((1u << bits) < set.size()) ++bits;
        out.Put(static_cast<uint32_t>(it - set.begin()), bits);
      }
    }
    last = c;
  }
  return out.Finish();
}

uint16_t ImplodeFlags(bool dictionary8k, bool literalTree) {
  return static_cast<uint16_t>((dictionary8k ? 2 : 0) | (literalTree ? 4 : 0));
}

Bytes Implode(const Bytes& data, bool dictionary8k, bool literalTree) {
  const int minLength = literalTree ? 3 : 2;
  const int lowBits = dictionary8k ? 7 : 6;
  const int window = dictionary8k ? 8192 : 4096;
  const int maxLength = minLength + 63 + 255;

  std::vector<Token> tokens;
  MatchFinder finder(data, window, maxLength);
  for (size_t pos = 0; pos < data.size();) {
    Match m = finder.Find(pos);
    if (m.length >= minLength) {
      tokens.push_back({false, 0, m.length, m.distance});
      for (int i = 0; i < m.length; ++i) finder.Insert(pos++);
    } else {
      tokens.push_back({true, data[pos], 0, 0});
      finder.Insert(pos++);
    }
  }

  std::vector<uint64_t> literalFreq(256, 0), lengthFreq(64, 0), distanceFreq(64, 0);
  for (const Token& t : tokens) {
    if (t.literal) {
      ++literalFreq[t.value];
    } else {
      ++lengthFreq[static_cast<size_t>(std::min(t.length - minLength, 63))];
      ++distanceFreq[static_cast<size_t>((t.distance - 1) >> lowBits)];
    }
  }
  const Tree literals(literalFreq), lengths(lengthFreq), distances(distanceFreq);
  BitWriter out;
  if (literalTree) PutTree(out, literals.lengths);
  PutTree(out, lengths.lengths);
  PutTree(out, distances.lengths);
  for (const Token& t : tokens) {
    if (t.literal) {
      out.Put(1, 1);
      literalTree ? literals.Put(out, t.value) : out.Put(t.value, 8);
      continue;
    }
    out.Put(0, 1);
    uint32_t d = static_cast<uint32_t>(t.distance - 1);
    out.Put(d & ((1u << lowBits) - 1), lowBits);
    distances.Put(out, d >> lowBits);
    size_t code = static_cast<size_t>(std::min(t.length - minLength, 63));
    lengths.Put(out, code);
    if (code == 63) out.Put(static_cast<uint32_t>(t.length - minLength - 63), 8);
  }
  return out.Finish();
}

}  // namespace ziptest
