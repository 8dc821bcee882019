// Any bytes as a pool entry and a section table (split at the first zero byte): the pool check, the record reader,
// the drawing by section table and training blocks must end without a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/catalogue.h"
#include "engine/engine.h"
#include "platform/core/exceptions.h"
#include "platform/core/random.h"
#include "tests/engine/quiet_port.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  size_t split = bytes.find('\0');
  std::string pool = bytes.substr(0, split), table = split == std::string::npos ? "" : bytes.substr(split + 1);

  pf::LcgRandom random(static_cast<uint32_t>(size));
  pf::SetRandomSource(&random);
  QuietPort port{"/opt/pexu", false, ""};
  engine::AppState state;
  // The readers only check that the archive file exists (any regular file); the entries come from the input.
  state.CatalogueFile = "/proc/self/exe";
  engine::Engine engine(state, port);
  engine.SetEntryExtractor([&](const std::string&, const std::string& entry, pf::TStrings& list) {
    list.SetText(entry.find("abschnitte") != std::string::npos ? table : pool);
    return 1;
  });
  try {
    pf::TStringList lines;
    lines.SetText(pool);
    engine::CheckPool(lines);
    for (int i = 0; i < lines.Count(); ++i) engine::ReadQuestionRecord(lines, i);
    int32_t count = 0;
    if (engine.CountPoolQuestions('T', 'A', count)) {
      pf::TStringList drawn;
      drawn.SetSorted(true);
      engine.SelectBySections('T', 'A', count, drawn);
      std::string section = pool.size() >= 5 ? pool.substr(2, 2) + "1" : "TA1";
      engine.SelectTrainingBlock('T', 'A', count, drawn, section);
    }
  } catch (const pf::Exception&) {
  }
  pf::SetRandomSource(nullptr);
  return 0;
}
