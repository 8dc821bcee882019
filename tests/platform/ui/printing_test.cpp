// The printer: jobs on the recording back end, misuse, and PDF files read back with poppler's tools.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/core/files.h"
#include "platform/ui/printers.h"
#include "tests/platform/core/test_helpers.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using namespace pf;
namespace fs = std::filesystem;

std::string Message(const std::function<void()>& f) { return pf::test::MessageOf<EPrinter>(f); }

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
  }
  return out;
}

TEST(Printer, RecordingKeepsPagesCallsAndRasters) {
  TPrinter printer;
  printer.SetBackend(pbRecording);
  printer.SetResolution(96);
  printer.SetUnprintableBorderMM(5);
  printer.Title = "Pruefungsbogen mit einem sehr langen Titel ohne Ende";
  EXPECT_EQ(printer.PageNumber(), 0);
  printer.BeginDoc();
  TCanvas& c = printer.Canvas();
  EXPECT_EQ(printer.PageNumber(), 1);
  c.Brush().SetColor(clBlack);
  c.FillRect({10, 20, 30, 40});
  printer.NewPage();
  c.TextOut(0, 0, "Seite zwei");
  printer.NewPage();
  EXPECT_EQ(printer.PageNumber(), 3);
  printer.EndDoc();
  EXPECT_EQ(printer.PageNumber(), 0);
  EXPECT_FALSE(printer.Printing());
  ASSERT_EQ(printer.RecordedPageCount(), 3);
  EXPECT_EQ(printer.RecordedLog(),
            (std::vector<std::string>{"BeginDoc " + printer.Title.substr(0, 31), "NewPage", "NewPage", "EndDoc"}));
  EXPECT_EQ(printer.RecordedCalls(0), std::vector<std::string>{"path 10,20,20,20"});
  EXPECT_FALSE(printer.RecordedCalls(1).empty());
  EXPECT_TRUE(printer.RecordedCalls(2).empty());

  // The raster is the paper: the printable area starts 5 mm (19 pixels at 96 dpi) in.
  TBitmap page;
  printer.GetRecordedRaster(0, page);
  EXPECT_EQ(page.Width(), 793);  // A4 at 96 dpi
  EXPECT_EQ(c.GetDeviceCaps(PHYSICALOFFSETX), 19);
  EXPECT_EQ(page.GetPixel(19 + 10, 19 + 20), clBlack);
  EXPECT_EQ(page.GetPixel(19 + 9, 19 + 20), clWhite);
  EXPECT_EQ(c.GetDeviceCaps(HORZRES), 755);
  EXPECT_EQ(c.GetDeviceCaps(TECHNOLOGY), DT_RASPRINTER);

  // An aborted job leaves the last finished job's pages alone.
  printer.BeginDoc();
  printer.Abort();
  EXPECT_FALSE(printer.Aborted());
  EXPECT_EQ(printer.RecordedPageCount(), 3);
  EXPECT_EQ(printer.RecordedLog().back(), "Abort");
}

TEST(Printer, MisuseRaisesThePrinterErrors) {
  TPrinter printer;
  printer.SetBackend(pbPdfFile);
  const std::string notPrinting = "Printer is not currently printing";
  EXPECT_EQ(Message([&] { printer.NewPage(); }), notPrinting);
  EXPECT_EQ(Message([&] { printer.EndDoc(); }), notPrinting);
  EXPECT_EQ(Message([&] { printer.Abort(); }), notPrinting);
  EXPECT_EQ(Message([&] { printer.BeginDoc(); }), "Printer selected is not valid");  // no file named
  printer.SetOutputFileName("/nonexistent-folder/x.pdf");
  EXPECT_EQ(Message([&] { printer.BeginDoc(); }), "Printer selected is not valid");
  printer.SetBackend(pbRecording);
  printer.BeginDoc();
  EXPECT_EQ(Message([&] { printer.BeginDoc(); }), "Printing in progress");
  EXPECT_EQ(Message([&] { printer.SetOrientation(poLandscape); }), "Printing in progress");
  EXPECT_EQ(Message([&] { printer.SetBackend(pbPdfFile); }), "Printing in progress");
  printer.EndDoc();
}

// Two pages of text drawn through an anisotropic mapping (96 logical units per inch on a 600 dpi page) on the PDF
// file that PEXU_PRINTER names; the job is renamed into place only at its end, and an aborted job leaves nothing.
TEST(Printer, PdfPagesCarryTheirText) {
  if (Shell("command -v pdftotext").find("pdftotext") == std::string::npos)
    GTEST_SKIP() << "poppler-utils is missing (scripts/setup.sh installs it)";
  const fs::path dir = fs::temp_directory_path() / ("pexu-print-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "Seite.pdf").string();
  setenv("PEXU_PRINTER", ("pdf:" + file).c_str(), 1);  // the back end a user picks for the program
  TPrinter printer;
  unsetenv("PEXU_PRINTER");
  printer.Title = "Pexu - Aktuelle Seite";
  printer.BeginDoc();
  TCanvas& c = printer.Canvas();
  EXPECT_EQ(c.GetDeviceCaps(LOGPIXELSX), 600);
  EXPECT_NEAR(c.GetDeviceCaps(HORZRES), 4960, 3);  // 210 mm at 600 dpi
  c.SetMapMode(MM_ANISOTROPIC);
  c.SetWindowExtEx(96, 96);
  c.SetViewportExtEx(600, 600);
  c.Font().SetName("Arial");
  c.Font().SetHeight(-16);
  c.TextOut(96, 96, "Erste Seite im Druck");
  EXPECT_FALSE(fs::exists(file));  // written beside the target until the end
  printer.NewPage();
  c.TextOut(96, 400, "Zweite Seite im Druck");
  printer.EndDoc();
  ASSERT_TRUE(fs::exists(file));
  const std::string info = Shell("pdfinfo '" + file + "'");
  EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
  EXPECT_NE(info.find("Title:           Pexu - Aktuelle Seite"), std::string::npos) << info;
  EXPECT_NE(Shell("pdftotext -f 1 -l 1 '" + file + "' -").find("Erste Seite im Druck"), std::string::npos);
  EXPECT_NE(Shell("pdftotext -f 2 -l 2 '" + file + "' -").find("Zweite Seite im Druck"), std::string::npos);

  fs::remove(file);
  printer.BeginDoc();
  c.TextOut(96, 96, "verworfen");
  printer.Abort();
  EXPECT_TRUE(fs::is_empty(dir));  // neither the file nor its temporary
  fs::remove_all(dir);
}

}  // namespace
