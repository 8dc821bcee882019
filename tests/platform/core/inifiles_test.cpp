#include "platform/core/inifiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/core/classes.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace {

using namespace pf;
using namespace pf::literals;
using V = std::vector<std::string>;

V Lines(const TStrings& list) {
  V lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
  return lines;
}

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/pexu-ini-XXXXXX";
    dir_ = ::mkdtemp(templ);
    file_ = dir_ + "/Pexu.ini";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string dir_, file_;
};

TEST_F(IniFileTest, WritesThroughAndKeepsUnknownSectionsAndComments) {
  AtomicWriteFile(file_,
                  "; Pexu settings\r\n"
                  "\r\n"
                  "[Einstellungen]\r\n"
                  "Klasse=A\r\n"
                  "; kept comment\r\n"
                  "Unbekannt=bleibt\r\n"
                  "\r\n"
                  "; about the next section\r\n"
                  "[Fremd]\r\n"
                  "x=1\r\n");
  TIniFile ini(file_);
  ini.WriteString("EINSTELLUNGEN", "klasse", "E");  // in place, keeping the key's spelling
  ini.WriteInteger("Einstellungen", "Zoom", 120);   // after the section's last key
  ini.WriteBool("Position", "Maximiert", true);     // a new section at the end
  ini.WriteString("IDs", "Bogen",
                  std::string("Pr\xFC"
                              "fung"));

  // Each write is on disk when the call returns; nothing else changed.
  EXPECT_EQ(ReadFileBytes(file_),
            "; Pexu settings\r\n"
            "\r\n"
            "[Einstellungen]\r\n"
            "Klasse=E\r\n"
            "; kept comment\r\n"
            "Unbekannt=bleibt\r\n"
            "Zoom=120\r\n"
            "\r\n"
            "; about the next section\r\n"
            "[Fremd]\r\n"
            "x=1\r\n"
            "\r\n"
            "[Position]\r\n"
            "Maximiert=1\r\n"
            "\r\n"
            "[IDs]\r\n"
            "Bogen=Pr\xFC"
            "fung\r\n");

  TIniFile again(file_);
  EXPECT_EQ(again.ReadString("einstellungen", "KLASSE", "?"), "E");
  EXPECT_EQ(again.ReadInteger("Einstellungen", "Zoom", 0), 120);
  EXPECT_TRUE(again.ReadBool("position", "maximiert", false));
  EXPECT_EQ(again.ReadString("IDs", "Bogen", ""),
            "Pr\xFC"
            "fung");
  EXPECT_EQ(again.ReadString("Fremd", "x", ""), "1");

  again.WriteBool("Position", "Maximiert", false);
  EXPECT_FALSE(TIniFile(file_).ReadBool("Position", "Maximiert", true));
  // A line break in a value cannot smuggle in a new key or section.
  again.WriteString("Fremd", "x", "a\r\n[Einstellungen]\nKlasse=Z");
  TIniFile third(file_);
  EXPECT_EQ(third.ReadString("Fremd", "x", ""), "a  [Einstellungen] Klasse=Z");
  EXPECT_EQ(third.ReadString("Einstellungen", "Klasse", ""), "E");
}

TEST_F(IniFileTest, HandEditedFileReadsWithDefaults) {
  AtomicWriteFile(file_,
                  "  [ einstellungen ]  \n"
                  "  Portable=true\n"
                  "  Key =  value with  blanks  \n"
                  "no equals sign here\n"
                  ";Commented=5\n"
                  "Hex=0x1F\n"
                  "Dollar=$10\n"
                  "Blank=\n"
                  "Word=zehn\n"
                  "Big=99999999999\n"
                  "Minus= -1 \n"
                  "[Verzeichnis]\r"
                  "Fragen=/daten/Fragen\r");
  TIniFile ini(file_);
  // "true" is no integer: the default decides.
  EXPECT_FALSE(ini.ReadBool("Einstellungen", "Portable", false));
  EXPECT_TRUE(ini.ReadBool("Einstellungen", "Portable", true));
  EXPECT_TRUE(ini.ReadBool("Einstellungen", "Minus", false));
  EXPECT_TRUE(ini.ReadBool("Einstellungen", "Hex", false));
  EXPECT_FALSE(ini.ReadBool("Einstellungen", "Missing", false));
  EXPECT_EQ(ini.ReadString("Einstellungen", "key", "?"), "value with  blanks");
  EXPECT_EQ(ini.ReadString("Einstellungen", "Commented", "?"), "?");
  EXPECT_EQ(ini.ReadString("Einstellungen", "Blank", "?"), "");  // present but empty is not the default
  EXPECT_EQ(ini.ReadInteger("Einstellungen", "Hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("Einstellungen", "Dollar", 0), 16);
  EXPECT_EQ(ini.ReadInteger("Einstellungen", "Blank", 7), 7);
  EXPECT_EQ(ini.ReadInteger("Einstellungen", "Word", 7), 7);
  EXPECT_EQ(ini.ReadInteger("Einstellungen", "Big", 7), 7);
  EXPECT_EQ(ini.ReadInteger("Einstellungen", "Minus", 7), -1);
  EXPECT_EQ(ini.ReadString("VERZEICHNIS", "fragen", ""), "/daten/Fragen");  // lone CR line ends
  EXPECT_EQ(ini.ReadInteger("Position", "Links", -5), -5);                  // a missing section
  EXPECT_FALSE(ini.SectionExists("Position"));
  EXPECT_TRUE(ini.SectionExists("EINSTELLUNGEN"));
  EXPECT_TRUE(ini.ValueExists("einstellungen", "blank"));
  EXPECT_FALSE(ini.ValueExists("einstellungen", "no equals sign here"));

  TStringList keys;
  ini.ReadSection("Einstellungen", keys);
  EXPECT_EQ(Lines(keys), (V{"Portable", "Key", "Hex", "Dollar", "Blank", "Word", "Big", "Minus"}));
  ini.ReadSections(keys);
  EXPECT_EQ(Lines(keys), (V{"einstellungen", "Verzeichnis"}));
  ini.ReadSectionValues("verzeichnis", keys);
  EXPECT_EQ(Lines(keys), V{"Fragen=/daten/Fragen"});

  // Reading never writes; the first write keeps the odd lines and gives every line CR LF.
  ini.WriteInteger("Einstellungen", "Portable", 1);
  std::string bytes = ReadFileBytes(file_);
  EXPECT_EQ(bytes.substr(0, 66),
            "  [ einstellungen ]  \r\n"
            "Portable=1\r\n"
            "  Key =  value with  blanks  \r\n");
  EXPECT_NE(bytes.find("no equals sign here\r\n;Commented=5\r\n"), std::string::npos);
}

TEST_F(IniFileTest, MissingFileDeletionsAndDuplicateSections) {
  TIniFile empty(dir_ + "/none.ini");
  EXPECT_EQ(empty.ReadString("A", "b", "default"), "default");
  EXPECT_FALSE(FileExists(dir_ + "/none.ini"));

  AtomicWriteFile(file_, "[A]\nk=1\nk=2\n[B]\nx=1\n[a]\nk=3\nm=4\n");
  TIniFile ini(file_);
  EXPECT_EQ(ini.ReadString("A", "m", ""), "4");  // a repeated section adds to the first
  ini.WriteString("a", "m", "5");
  EXPECT_EQ(TIniFile(file_).ReadString("A", "m", ""), "5");
  ini.DeleteKey("A", "K");  // every line of the key, so no older duplicate resurfaces
  EXPECT_FALSE(TIniFile(file_).ValueExists("A", "k"));
  ini.DeleteKey("A", "nothing");
  ini.EraseSection("a");
  EXPECT_EQ(ReadFileBytes(file_), "[B]\r\nx=1\r\n");
  ini.WriteString("A", "new", "v");
  EXPECT_EQ(ReadFileBytes(file_), "[B]\r\nx=1\r\n\r\n[A]\r\nnew=v\r\n");
}

TEST_F(IniFileTest, FailedWriteRaises) {
  AtomicWriteFile(file_, "[A]\r\nk=1\r\n");
  std::string unreachable = file_ + "/inner.ini";  // its folder is a file
  TIniFile ini(unreachable);
  try {
    ini.WriteString("A", "k", "2");
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "Unable to write to " + unreachable);
  }
  EXPECT_EQ(ReadFileBytes(file_), "[A]\r\nk=1\r\n");
}

}  // namespace
