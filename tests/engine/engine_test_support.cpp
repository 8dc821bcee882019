#include "engine_test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace enginetest {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pexu-engine-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (!made) throw std::runtime_error("mkdtemp failed");
  path_ = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

pf::TStringList MakePool(const std::vector<std::pair<std::string, int>>& chapters) {
  pf::TStringList pool;
  pool.Add("V:Test");
  for (const auto& [prefix, count] : chapters) {
    for (int k = 1; k <= count; ++k) {
      std::string id = prefix + (k < 10 ? "0" : "") + pf::IntToStr(k);
      pool.Add("::" + id);
      pool.Add("F:Frage " + id);
      pool.Add("R:richtig " + id);
      pool.Add("W:falsch 1");
      pool.Add("W:falsch 2");
      pool.Add("W:falsch 3");
    }
  }
  return pool;
}

EngineFixture::EngineFixture() {
  state.DataDir = dir.Path();
  std::filesystem::create_directories(dir.File("Fragen"));
  state.CatalogueFile = dir.File("Fragen/KAEFragen.qst");
  WriteFile(state.CatalogueFile, "");
  engine.SetEntryExtractor([this](const std::string&, const std::string& entry, pf::TStrings& list) {
    for (auto& [name, lines] : entries) {
      if (pf::AnsiSameText(name, entry)) {
        list.Assign(lines);
        return 1;
      }
    }
    return 0;
  });
}

}  // namespace enginetest
