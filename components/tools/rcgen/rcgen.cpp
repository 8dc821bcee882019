// pexu-rcgen: builds the program's resource container and writes it as a C++ source for the resource section.
//   pexu-rcgen <project version> <version data file> <string table folder> <output .cpp>
// The version data file holds "Key=Value" lines (UTF-8) for the version block's text values; FileVersion and
// ProductVersion come from the project version alone. Each "<NAME>.txt" of the folder becomes the string table
// NAME, one "id<TAB>text" line per entry. Lines that are empty or begin with "#" are skipped.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "components/tools/rcgen/resource_writer.h"
#include "platform/core/codepage.h"
#include "platform/core/strings.h"

namespace fs = std::filesystem;
using namespace components::resgen;

namespace {

std::vector<std::string> ContentLines(const fs::path& file) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

// UTF-8 file text to the UTF-16 of its Latin-1 characters (the program's texts are Latin-1).
std::u16string Text(std::string_view utf8) { return pf::Latin1ToUtf16(pf::Utf8ToLatin1(utf8)); }

// "a.b.c" or "a.b.c.d": missing parts are 0.
std::array<uint16_t, 4> ParseVersion(const std::string& text) {
  std::array<uint16_t, 4> parts{};
  std::stringstream in(text);
  std::string part;
  for (size_t i = 0; std::getline(in, part, '.'); ++i) {
    int32_t value = 0;
    if (i >= parts.size() || !pf::TryStrToInt(part, value) || value < 0 || value > 0xFFFF)
      throw std::runtime_error("the project version \"" + text + "\" is not of the form a.b.c.d");
    parts[i] = static_cast<uint16_t>(value);
  }
  return parts;
}

VersionData Version(const std::string& projectVersion, const fs::path& file) {
  VersionData data;
  data.fileVersion = data.productVersion = ParseVersion(projectVersion);
  const auto& v = data.fileVersion;
  std::string fileVersion = pf::Format("%d.%d.%d.%d", {v[0], v[1], v[2], v[3]});
  for (const std::string& line : ContentLines(file)) {
    size_t eq = line.find('=');
    std::string key = line.substr(0, eq);
    if (eq == std::string::npos || key.empty()) throw std::runtime_error(file.string() + ": no Key=Value: " + line);
    if (key == "FileVersion" || key == "ProductVersion")
      throw std::runtime_error(file.string() + ": " + key + " comes from the project version");
    data.strings.emplace_back(key, Text(line.substr(eq + 1)));
  }
  data.strings.emplace_back("FileVersion", Text(fileVersion));
  data.strings.emplace_back("ProductVersion", Text(projectVersion));
  std::sort(data.strings.begin(), data.strings.end());
  return data;
}

std::string Table(const fs::path& file) {
  std::vector<StringEntry> entries;
  for (const std::string& line : ContentLines(file)) {
    size_t tab = line.find('\t');
    int32_t id = 0;
    if (tab == std::string::npos || !pf::TryStrToInt(line.substr(0, tab), id) || id < 0)
      throw std::runtime_error(file.string() + ": no id<TAB>text: " + line);
    entries.push_back({static_cast<uint32_t>(id), Text(line.substr(tab + 1))});
  }
  return StringTable(std::move(entries));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: pexu-rcgen <project version> <version data> <string table folder> <output .cpp>\n";
    return 2;
  }
  try {
    std::vector<Resource> resources{{pf::RT_VERSION, 1u, VersionBlock(Version(argv[1], argv[2]))}};
    std::vector<fs::path> tables;
    for (const auto& entry : fs::directory_iterator(argv[3]))
      if (entry.path().extension() == ".txt") tables.push_back(entry.path());
    std::sort(tables.begin(), tables.end());
    for (const fs::path& file : tables)
      resources.push_back({pf::RT_RCDATA, pf::TResourceName(file.stem().string()), Table(file)});

    std::string source = SectionSource(Container(resources));
    std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
    if (!(out << source)) throw std::runtime_error(std::string("cannot write ") + argv[4]);
  } catch (const std::exception& e) {
    std::cerr << "pexu-rcgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
