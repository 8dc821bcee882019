// Guards the layering rules: Qt stays inside platform/ .cpp files and private headers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// True for a line that includes a header whose name starts with "Q" and a letter (blanks allowed around "#").
bool IsQtInclude(const std::string& line) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line[i] != '#') return false;
  i = line.find_first_not_of(" \t", i + 1);
  if (i == std::string::npos || line.compare(i, 7, "include") != 0) return false;
  i = line.find_first_not_of(" \t", i + 7);
  return i != std::string::npos && i + 2 < line.size() && (line[i] == '<' || line[i] == '"') && line[i + 1] == 'Q' &&
         std::isalpha(static_cast<unsigned char>(line[i + 2]));
}

// True for a line that includes one of the platform's private Qt headers ("..._qt.h").
bool IsPrivateInclude(const std::string& line) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line[i] != '#' || line.find("include") == std::string::npos) return false;
  return line.find("_qt.h\"") != std::string::npos || line.find("_qt.h>") != std::string::npos;
}

// The lines of file that include a Qt header, or (privateToo) one of the private headers that include Qt.
std::vector<std::string> QtIncludes(const fs::path& file, bool privateToo = false) {
  std::vector<std::string> hits;
  std::ifstream in(file);
  std::string line;
  for (int n = 1; std::getline(in, line); ++n)
    if (IsQtInclude(line) || (privateToo && IsPrivateInclude(line)))
      hits.push_back(file.string() + ":" + std::to_string(n));
  return hits;
}

bool IsSource(const fs::path& p) {
  auto ext = p.extension().string();
  return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc";
}

// Headers that platform/ exposes to other folders; private headers end in "_qt.h" or live in a "qt" folder.
bool IsPublicPlatformHeader(const fs::path& p) {
  auto name = p.filename().string();
  if (p.extension() != ".h") return false;
  if (name.size() > 5 && name.ends_with("_qt.h")) return false;
  for (const auto& part : p)
    if (part == "qt") return false;
  return true;
}

std::vector<std::string> Violations(const fs::path& root) {
  std::vector<std::string> bad;
  for (const char* folder : {"zip", "gif", "engine", "viewer", "components", "app", "tests", "fuzz", "bench"}) {
    fs::path dir = root / folder;
    if (!fs::exists(dir)) continue;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      if (!e.is_regular_file() || !IsSource(e.path())) continue;
      // Tests of the platform layer may look behind it; a benchmark's peer that is a plain Qt program is Qt itself.
      if (e.path().string().find("/tests/platform/") != std::string::npos) continue;
      if (e.path().string().find("/bench/") != std::string::npos && e.path().stem().string().ends_with("_peer"))
        continue;
      for (auto& hit : QtIncludes(e.path(), true)) bad.push_back(hit);
    }
  }
  if (fs::exists(root / "platform"))
    for (const auto& e : fs::recursive_directory_iterator(root / "platform"))
      if (e.is_regular_file() && IsPublicPlatformHeader(e.path()))
        for (auto& hit : QtIncludes(e.path(), true)) bad.push_back(hit);
  return bad;
}

TEST(Layering, NoQtHeaderOutsidePlatformSources) {
  auto bad = Violations(PEXU_SOURCE_DIR);
  std::string list;
  for (const auto& b : bad) list += b + "\n";
  EXPECT_TRUE(bad.empty()) << "Qt headers included outside platform sources:\n" << list;
}

TEST(Layering, CheckerSeesAQtIncludeOutsidePlatform) {
  fs::path root = fs::temp_directory_path() / ("pexu_layering_" + std::to_string(::getpid()));
  fs::create_directories(root / "engine");
  fs::create_directories(root / "platform" / "graphics");
  std::ofstream(root / "engine" / "bad.cpp") << "#include <"
                                                "QString>\n";
  std::ofstream(root / "platform" / "graphics" / "ok.cpp") << "#include <"
                                                              "QImage>\n";
  std::ofstream(root / "platform" / "graphics" / "canvas_qt.h") << "#include <"
                                                                   "QPainter>\n";
  std::ofstream(root / "platform" / "graphics" / "bad.h") << "  #  include \""
                                                             "QColor\"\n";
  // The window layer: its private header may use Qt, a public one may not even include the private one.
  fs::create_directories(root / "platform" / "ui");
  std::ofstream(root / "platform" / "ui" / "host_qt.h") << "#include <"
                                                           "QWidget>\n";
  std::ofstream(root / "platform" / "ui" / "bad_forms.h") << "#include \"platform/ui/host_qt.h\"\n";
  std::ofstream(root / "engine" / "bad_window.cpp") << "#include \"platform/ui/host_qt.h\"\n";
  auto bad = Violations(root);
  fs::remove_all(root);
  ASSERT_EQ(bad.size(), 4u);
  for (const auto& hit : bad) EXPECT_NE(hit.find("bad"), std::string::npos) << hit;
}

}  // namespace
