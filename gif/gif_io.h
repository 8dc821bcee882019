// Reading and writing the little-endian fields and fixed blocks of a GIF stream. Every read of a fixed block can
// fail with "Premature end of data".
#pragma once

#include <cstdint>

#include "gif/gif_errors.h"
#include "platform/core/streams.h"

namespace gif {

inline uint8_t ReadByte(pf::TStream& s) {
  uint8_t b = 0;
  if (s.Read(&b, 1) != 1) throw GIFException(msg::PrematureEnd);
  return b;
}

inline void ReadFixed(pf::TStream& s, void* buffer, int count) {
  if (s.Read(buffer, count) != count) throw GIFException(msg::PrematureEnd);
}

// The next byte without consuming it; -1 at the end of the stream.
inline int PeekByte(pf::TStream& s) {
  uint8_t b = 0;
  if (s.Read(&b, 1) != 1) return -1;
  s.Seek(-1, pf::soCurrent);
  return b;
}

inline void WriteByte(pf::TStream& s, uint8_t b) { s.WriteBuffer(&b, 1); }

inline uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline void PutWord(uint8_t* p, uint16_t w) {
  p[0] = static_cast<uint8_t>(w);
  p[1] = static_cast<uint8_t>(w >> 8);
}

inline void WriteWord(pf::TStream& s, uint16_t w) {
  uint8_t b[2];
  PutWord(b, w);
  s.WriteBuffer(b, 2);
}

}  // namespace gif
