#include <cstring>

#include "zip/methods.h"

namespace zip {

void UnStore(DecoderInput& in, DecoderOutput& out, int64_t count) {
  while (count > 0) {
    if (in.inNext == in.inEnd) {
      out.PutByte(in.ReadInputByte());
      --count;
      continue;
    }
    int64_t chunk = in.inEnd - in.inNext;
    int64_t room = DecoderOutput::kWindowSize - out.windowPos;
    if (chunk > room) chunk = room;
    if (chunk > count) chunk = count;
    std::memcpy(out.window + out.windowPos, in.inNext, static_cast<size_t>(chunk));
    in.inNext += chunk;
    out.windowPos += static_cast<int>(chunk);
    count -= chunk;
    if (out.windowPos == DecoderOutput::kWindowSize) out.Flush();
  }
  out.Flush();
}

}  // namespace zip
