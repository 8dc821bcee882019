#include "zip/methods.h"

namespace zip {

void UnStore(DecoderInput& in, DecoderOutput& out, int64_t count) {
  while (count > 0) {
    if (in.inNext == in.inEnd) {
      out.PutOutputByte(in.ReadInputByte());
      --count;
      continue;
    }
    // Whatever the input already holds goes over in one piece.
    const int64_t chunk = std::min<int64_t>(in.inEnd - in.inNext, count);
    out.CopyToOutput(in.inNext, chunk);
    in.inNext += chunk;
    count -= chunk;
  }
  out.FlushOutput();
}

}  // namespace zip
