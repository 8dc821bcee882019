// Version information: the program's own block and its layout, other files, failures with their codes, when the
// file is read again, and version numbers.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#include "components/string_resource.h"
#include "components/tools/rcgen/resource_writer.h"
#include "components/version_info.h"
#include "platform/core/codepage.h"
#include "platform/core/fileversion.h"
#include "platform/core/strings.h"
#include "tests/components/components_test_support.h"

namespace components {
namespace {

namespace fs = std::filesystem;

// The project version as a.b.c and its four numbers.
struct ProjectVersion {
  ProjectVersion() { std::sscanf(PEXU_PROJECT_VERSION, "%u.%u.%u", &part[0], &part[1], &part[2]); }
  unsigned part[4] = {};
  std::string Four() const { return pf::Format("%d.%d.%d.%d", {part[0], part[1], part[2], part[3]}); }
  uint32_t High() const { return (part[0] << 16) | part[1]; }
  uint32_t Low() const { return (part[2] << 16) | part[3]; }
};

std::string Outcome(const std::function<void()>& action) {
  try {
    action();
  } catch (const ELibException& e) {
    return std::to_string(e.ErrorCode) + " " + e.Message();
  }
  return "ok";
}

std::string OwnVersionBlock() {
  pf::HGLOBAL loaded = pf::LoadResource(nullptr, pf::FindResource(nullptr, 1u, pf::RT_VERSION));
  return {reinterpret_cast<const char*>(pf::LockResource(loaded)), loaded.size};
}

// A program file whose version block has the given company name and language (and file version 1.2.3.4).
std::string VersionElf(std::u16string company, uint16_t language = 0x0407) {
  resgen::VersionData data;
  data.language = language;
  data.fileVersion = data.productVersion = {1, 2, 3, 4};
  data.strings = {{"CompanyName", std::move(company)}};
  return test::ElfWith("pexu_rsrc", resgen::Container({{pf::RT_VERSION, 1u, resgen::VersionBlock(data)}}));
}

class VersionInfo : public test::ScratchFolder {};

TEST_F(VersionInfo, ReadsTheProgramsOwnBlock) {
  ProjectVersion version;
  TVersionInfo info;
  EXPECT_EQ(info.FileName(), fs::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(info.CompanyName(), "Pexu-Team");
  EXPECT_EQ(info.FileVersion(), version.Four());
  EXPECT_EQ(info.ProductVersion(), PEXU_PROJECT_VERSION);
  EXPECT_EQ(info.LegalTrademarks(), "");  // an empty value is no error
  EXPECT_EQ(info.FileDescription(),
            "Pexu - Trainer f\xFCr die Amateurfunkpr\xFC"
            "fung");
  EXPECT_EQ(
      (std::vector<uint32_t>{info.FileVersionHigh(), info.FileVersionLow(), info.ProductVersionHigh(),
                             info.ProductVersionLow(), info.FileFlagsMask(), info.FileType(), info.Language(),
                             static_cast<uint32_t>(info.TranslationCount())}),
      (std::vector<uint32_t>{version.High(), version.Low(), version.High(), version.Low(), 0x3F, 1, 0x04E40407, 1}));
  EXPECT_EQ(info.LanguageName(), "Deutsch (Deutschland)");
  EXPECT_DOUBLE_EQ(info.FileVersionNumber(), VersionNumber(version.Four()));
  // The program itself, read as a given file, carries the same block.
  TVersionInfo program;
  program.SetFileName(PEXU_PROGRAM);
  EXPECT_EQ(program.CompanyName() + " " + program.ProductVersion(), info.CompanyName() + " " + info.ProductVersion());
}

TEST_F(VersionInfo, FailuresRaiseTheirCodes) {
  std::string block = OwnVersionBlock();
  auto elf = [](std::string bytes) { return test::ElfWith("pexu_rsrc", bytes); };
  auto withBlock = [&](std::string b) { return elf(resgen::Container({{pf::RT_VERSION, 1u, std::move(b)}})); };
  auto patched = [&](size_t at, std::string_view bytes) { return std::string(block).replace(at, bytes.size(), bytes); };
  std::string noTranslation = block;
  noTranslation.replace(noTranslation.rfind(std::string("T\0r", 3)), 2, std::string("X\0", 2));
  std::string outside = withBlock(block);
  outside[64 + 8 + 12 + 1] = '\x7F';  // the entry's size runs past the container

  struct Case {
    std::string content;
    const char* outcome;
  };
  const Case cases[] = {
      {"plain text", "100 File does not contain version info"},
      {test::ElfWith(".data", "xx"), "100 File does not contain version info"},
      {elf(resgen::Container({{pf::RT_RCDATA, "T", "x"}})), "100 File does not contain version info"},
      {elf("PXRT\x01"), "101 Unable to read version info"},
      {outside, "101 Unable to read version info"},
      {withBlock(""), "101 Unable to read version info"},
      {withBlock(block.substr(0, 50)), "101 Unable to read version info"},
      {withBlock(noTranslation), "101 Unable to read version info"},
      {withBlock(patched(40, "\xBE")), "101 Unable to read version info"},  // fixed information without signature
      {withBlock(patched(2, "\x10")), "101 Unable to read version info"},   // fixed information too short
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    TVersionInfo info;
    std::string path = Write("case" + std::to_string(i), cases[i].content);
    EXPECT_EQ(Outcome([&] {
                info.SetFileName(path);
                info.CompanyName();
              }),
              cases[i].outcome)
        << "case " << i;
  }
  TVersionInfo info;
  EXPECT_EQ(Outcome([&] { info.SetFileName(dir_ + "/missing"); }), "73 Error opening file");
  EXPECT_EQ(info.FileName(), fs::read_symlink("/proc/self/exe").string());
}

// A keyed query reads the file each time and stores its language; the first one reads every field, and the
// getters then take them without reading again. Setting the file name reads again only when the name changes.
TEST_F(VersionInfo, KeyedQueriesAndReadingAgain) {
  std::string path = Write("program", VersionElf(u"Erste \u00C4ra"));
  TVersionInfo info;
  info.SetFileName(path);
  std::string value = "stale";
  info.LoadVersionInfo("companyname", value);
  EXPECT_EQ(value, "Erste \xC4ra");
  Write("program", VersionElf(u"Zweite", 0x0409));
  EXPECT_EQ(info.CompanyName(), "Erste \xC4ra");
  EXPECT_EQ(info.FileVersion(), "");  // a missing key reads empty
  EXPECT_EQ(info.FileVersionHigh(), 0x00010002u);
  EXPECT_EQ(info.Language(), 0x04E40407u);
  info.LoadVersionInfo("CompanyName", value);
  EXPECT_EQ(value, "Zweite");
  EXPECT_EQ((std::vector<std::string>{pf::IntToHex(info.Language(), 8), info.LanguageName(), info.CompanyName()}),
            (std::vector<std::string>{"04E40409", "Englisch (USA)", "Erste \xC4ra"}));
  value = "stale";
  EXPECT_EQ(Outcome([&] { info.LoadVersionInfo("NoSuchKey", value); }),
            "134 The specified key cannnot be found in version info");
  EXPECT_EQ(value, "");

  info.SetFileName(path);
  EXPECT_EQ(info.CompanyName(), "Erste \xC4ra");
  info.SetFileName(dir_ + "/./program");
  EXPECT_EQ(info.CompanyName(), "Zweite");
  info.SetFileName("");
  EXPECT_EQ(info.CompanyName() + " " + info.ProductName(), "Pexu-Team Pexu");
  info.LoadVersionInfo("LegalTrademarks", value);
  EXPECT_EQ(value, "");  // an empty value is no error
}

TEST(VersionNumbers, FollowTheTwoRules) {
  struct Case {
    const char* text;
    double number;
  };
  const Case cases[] = {{"5.2.0.123", 5.2}, {"5.2", 5.2},     {"17", 17},   {"1.2.3", 1.2},    {"abc", 0}, {"", 0},
                        {"123.456.7", 0},   {"12345.6.7", 0}, {"a.b.c", 0}, {"12.34.5", 12.34}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(VersionNumber(c.text), c.number) << c.text;
}

TEST_F(VersionInfo, ProgramInALongFolderFindsItself) {
  std::string folder = dir_;
  for (int i = 0; i < 3; ++i) folder += "/" + std::string(120, static_cast<char>('a' + i));
  fs::create_directories(folder);
  std::string program = folder + "/version-info";
  std::error_code linkError;
  fs::create_hard_link(PEXU_VERSION_TOOL, program, linkError);
  if (linkError) fs::copy_file(PEXU_VERSION_TOOL, program);
  ASSERT_GT(program.size(), 256u);

  std::string output;
  if (FILE* run = ::popen(program.c_str(), "r")) {
    char chunk[512];
    while (size_t n = std::fread(chunk, 1, sizeof chunk, run)) output.append(chunk, n);
    EXPECT_EQ(::pclose(run), 0) << output;
  }
  EXPECT_NE(output.find("FileName=" + program + "\nCompanyName=Pexu-Team\n"), std::string::npos) << output;
}

}  // namespace
}  // namespace components
