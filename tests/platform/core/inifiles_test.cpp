#include "platform/core/inifiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/core/classes.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "tests/platform/core/test_helpers.h"

namespace {

using namespace pf;
using namespace pf::literals;
using pf::test::Lines;
using pf::test::MessageOf;
using V = std::vector<std::string>;
using IniFile = pf::test::TempDirTest;

TEST_F(IniFile, WritesThroughAndKeepsUnknownSectionsAndComments) {
  std::string file = Path("Pexu.ini");
  AtomicWriteFile(file,
                  "; Pexu settings\r\n\r\n"
                  "[Einstellungen]\r\nKlasse=A\r\n; kept comment\r\nUnbekannt=bleibt\r\n\r\n"
                  "; about the next section\r\n[Fremd]\r\nx=1\r\n");
  TIniFile ini(file);
  ini.WriteString("EINSTELLUNGEN", "klasse", "E");  // in place, keeping the key's spelling
  ini.WriteInteger("Einstellungen", "Zoom", 120);   // after the section's last key
  ini.WriteBool("Position", "Maximiert", true);     // a new section at the end
  ini.WriteString("IDs", "Bogen", "Prüfung"_l1);
  // Each write is on disk when the call returns; nothing else changed.
  EXPECT_EQ(ReadFileBytes(file),
            "; Pexu settings\r\n\r\n"
            "[Einstellungen]\r\nKlasse=E\r\n; kept comment\r\nUnbekannt=bleibt\r\nZoom=120\r\n\r\n"
            "; about the next section\r\n[Fremd]\r\nx=1\r\n\r\n"
            "[Position]\r\nMaximiert=1\r\n\r\n"
            "[IDs]\r\nBogen=Prüfung\r\n"_l1);

  TIniFile again(file);
  EXPECT_EQ(again.ReadString("einstellungen", "KLASSE", "?"), "E");
  EXPECT_EQ(again.ReadInteger("Einstellungen", "Zoom", 0), 120);
  EXPECT_TRUE(again.ReadBool("position", "maximiert", false));
  EXPECT_EQ(again.ReadString("IDs", "Bogen", ""), "Prüfung"_l1);
  again.WriteBool("Position", "Maximiert", false);
  EXPECT_FALSE(TIniFile(file).ReadBool("Position", "Maximiert", true));

  // A line break in a value cannot smuggle in a new key or section.
  again.WriteString("Fremd", "x", "a\r\n[Einstellungen]\nKlasse=Z");
  TIniFile third(file);
  EXPECT_EQ(third.ReadString("Fremd", "x", ""), "a  [Einstellungen] Klasse=Z");
  EXPECT_EQ(third.ReadString("Einstellungen", "Klasse", ""), "E");

  // Every call works on the file as it is now: what another object or a hand edit changed meanwhile survives.
  third.WriteString("Fremd", "a", "1");
  AtomicWriteFile(file, ReadFileBytes(file) + "; added by hand\r\n");
  again.WriteString("Fremd", "b", "2");
  EXPECT_EQ(third.ReadString("Fremd", "b", ""), "2");
  std::string bytes = ReadFileBytes(file);
  EXPECT_NE(bytes.find("\r\na=1\r\nb=2\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("; added by hand"), std::string::npos);

  // Writing what a key already holds leaves the file alone (no new file is renamed into place).
  struct stat before {
  }, after{};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  third.WriteInteger("fremd", "A", 1);
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  third.WriteInteger("Fremd", "a", 2);
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(TIniFile(file).ReadInteger("Fremd", "a", 0), 2);
}

TEST_F(IniFile, HandEditedFileReadsWithDefaults) {
  std::string file = Path("Pexu.ini");
  AtomicWriteFile(file,
                  "  [ einstellungen ]  \n  Portable=true\n  Key =  value with  blanks  \n"
                  "no equals sign here\n;Commented=5\nHex=0x1F\nDollar=$10\nBlank=\nBig=99999999999\nMinus= -1 \n"
                  "[Verzeichnis]\rFragen=/daten/Fragen\r");
  TIniFile ini(file);
  // "true" is no integer: the default decides.
  EXPECT_FALSE(ini.ReadBool("Einstellungen", "Portable", false));
  EXPECT_TRUE(ini.ReadBool("Einstellungen", "Portable", true));
  EXPECT_TRUE(ini.ReadBool("Einstellungen", "Minus", false));
  EXPECT_EQ(ini.ReadString("Einstellungen", "key", "?"), "value with  blanks");
  EXPECT_EQ(ini.ReadString("Einstellungen", "Commented", "?"), "?");
  EXPECT_EQ(ini.ReadString("Einstellungen", "Blank", "?"), "");  // present but empty is not the default
  EXPECT_EQ(ini.ReadInteger("Einstellungen", "Hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("Einstellungen", "Dollar", 0), 16);
  EXPECT_EQ(ini.ReadInteger("Einstellungen", "Blank", 7), 7);
  EXPECT_EQ(ini.ReadInteger("Einstellungen", "Big", 7), 7);
  EXPECT_EQ(ini.ReadString("VERZEICHNIS", "fragen", ""), "/daten/Fragen");  // lone CR line ends
  EXPECT_EQ(ini.ReadInteger("Position", "Links", -5), -5);                  // a missing section
  EXPECT_FALSE(ini.SectionExists("Position"));
  EXPECT_TRUE(ini.ValueExists("EINSTELLUNGEN", "blank"));

  TStringList list;
  ini.ReadSection("Einstellungen", list);
  EXPECT_EQ(Lines(list), (V{"Portable", "Key", "Hex", "Dollar", "Blank", "Big", "Minus"}));
  ini.ReadSections(list);
  EXPECT_EQ(Lines(list), (V{"einstellungen", "Verzeichnis"}));
  ini.ReadSectionValues("verzeichnis", list);
  EXPECT_EQ(Lines(list), V{"Fragen=/daten/Fragen"});

  // The first write keeps the odd lines as they were and ends every line with CR LF.
  ini.WriteInteger("Einstellungen", "Portable", 1);
  EXPECT_EQ(ReadFileBytes(file).substr(0, 87),
            "  [ einstellungen ]  \r\nPortable=1\r\n  Key =  value with  blanks  \r\nno equals sign here\r\n");
}

TEST_F(IniFile, MissingFileDeletionsDuplicatesAndFailedWrites) {
  TIniFile empty(Path("none.ini"));
  EXPECT_EQ(empty.ReadString("A", "b", "default"), "default");
  EXPECT_FALSE(FileExists(Path("none.ini")));  // reading creates nothing

  std::string file = Path("Pexu.ini");
  AtomicWriteFile(file, "[A]\nk=1\nk=2\n[B]\nx=1\n[a]\nk=3\nm=4\n");
  TIniFile ini(file);
  EXPECT_EQ(ini.ReadString("A", "m", ""), "4");  // a repeated section adds to the first
  ini.WriteString("a", "m", "5");
  EXPECT_EQ(TIniFile(file).ReadString("A", "m", ""), "5");
  ini.DeleteKey("A", "K");  // every line of the key, so that no older duplicate resurfaces
  EXPECT_FALSE(TIniFile(file).ValueExists("A", "k"));
  ini.EraseSection("a");
  ini.WriteString("A", "new", "v");
  EXPECT_EQ(ReadFileBytes(file), "[B]\r\nx=1\r\n\r\n[A]\r\nnew=v\r\n");

  std::string unreachable = file + "/inner.ini";  // its folder is a file
  TIniFile bad(unreachable);
  EXPECT_EQ(MessageOf<EIniFileException>([&] { bad.WriteString("A", "k", "2"); }), "Unable to write to " + unreachable);
  EXPECT_EQ(bad.ReadString("A", "k", "none"), "none");  // what failed to reach the disk is not read back either
}

}  // namespace
