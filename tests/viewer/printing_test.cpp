// Printing documents to PDF files read back with poppler's tools: the page loop with its events, page ranges, margins,
// stopping, the top margin moved by a handler, pages that cannot be cut, HTML footers, tables printed by parts and
// print copies.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>

#include "platform/core/mathutil.h"
#include "platform/graphics/fonts.h"
#include "platform/graphics/png_image.h"
#include "platform/ui/forms.h"
#include "platform/ui/printers.h"
#include "tests/gif/giflib_oracle.h"
#include "tests/platform/graphics/png_oracle.h"
#include "tests/pump_until.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/blocks.h"
#include "viewer/html_parser.h"
#include "viewer/page_viewer.h"
#include "viewer/panels.h"
#include "viewer/printing.h"
#include "viewer/table_structure.h"

namespace {

using namespace viewer;

using viewertest::NoViewer;

struct Document {
  // The toolkit's fonts, so that the PDF keeps the text as text.
  explicit Document(const std::string& html) : list(&viewer, nullptr) {
    pf::SetFontService(nullptr);
    list.ApplyDefaultFontsAndColors("Arial", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, false, pf::clWhite, 0, 0,
                                    0, pf::clBlack, 12);
    TParseResult result;
    ParseHtmlDocument(html, list, nullptr, nullptr, nullptr, nullptr, result);
  }
  NoViewer viewer;
  TSectionList list;
};

std::string Paragraphs(int count) {
  std::string html;
  for (int i = 1; i <= count; ++i) html += "<p>Absatz" + std::to_string(i) + "</p>";
  return html;
}

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// A PDF printer as the layer's current printer for the time of a test; its log tells what happened to the jobs, and
// the file's text is read back page by page.
class PdfPrinter : public ::testing::Test {
 protected:
  void SetUp() override {
    file = std::filesystem::temp_directory_path() / ("pexu-print-" + std::to_string(getpid()) + ".pdf");
    printer.SetBackend(pf::pbPdfFile);
    printer.SetOutputFileName(file.string());
    printer.SetResolution(96);
    previous = pf::SetPrinter(&printer);
  }
  void TearDown() override {
    pf::SetPrinter(previous == &printer ? nullptr : previous);
    std::filesystem::remove(file);
  }

  // The text of each page of the file.
  std::vector<std::string> Pages() const {
    std::vector<std::string> pages;
    if (!std::filesystem::exists(file)) return pages;
    const std::string text = Shell("pdftotext '" + file.string() + "' - 2>/dev/null");
    size_t start = 0;
    for (size_t end = text.find('\f'); end != std::string::npos; start = end + 1, end = text.find('\f', start))
      pages.push_back(text.substr(start, end - start));
    return pages;
  }
  // The words that match pattern, counted on each page of the file.
  std::vector<std::map<std::string, int>> Words(const std::string& pattern) const {
    std::vector<std::map<std::string, int>> pages;
    const std::regex word(pattern);
    for (const std::string& page : Pages()) {
      pages.emplace_back();
      for (std::sregex_iterator it(page.begin(), page.end(), word), last; it != last; ++it) ++pages.back()[it->str()];
    }
    return pages;
  }
  int PageCount() const { return static_cast<int>(Pages().size()); }
  std::vector<std::string> Log() const { return printer.RecordedLog(); }
  std::map<std::string, int> AllWords(const std::string& pattern) const {
    std::map<std::string, int> all;
    for (const auto& page : Words(pattern))
      for (const auto& [word, count] : page) all[word] += count;
    return all;
  }

  std::filesystem::path file;
  pf::TPrinter printer;
  pf::TPrinter* previous = nullptr;
  double marginTop = 2.0;
  TDocumentPrint::TSettings Settings() {
    TDocumentPrint::TSettings settings;
    settings.MarginTop = &marginTop;
    return settings;
  }
};

// The recording printer keeps each page's drawing.
class RecordingPrinter : public PdfPrinter {
 protected:
  void SetUp() override {
    PdfPrinter::SetUp();
    printer.SetBackend(pf::pbRecording);
  }
  // Whether something was drawn on the page between device y top and bottom.
  bool DrawnBetween(int page, int32_t top, int32_t bottom) const {
    int32_t x = 0, y = 0;
    for (const std::string& call : printer.RecordedCalls(page))
      if (std::sscanf(call.c_str(), "%*s %d,%d", &x, &y) == 2 && y >= top && y < bottom) return true;
    return false;
  }
};

TEST_F(RecordingPrinter, HeadersFootersAndProgressRunOncePerPage) {
  Document doc(Paragraphs(120));
  TDocumentPrint run(doc.list, Settings());
  std::vector<int32_t> headers, footers, progress;
  std::vector<int32_t> headerHeights, footerHeights;
  run.OnPrintHeader = [&](pf::TCanvas& canvas, int32_t page, int32_t w, int32_t h, bool&) {
    headers.push_back(page);
    headerHeights.push_back(h);
    canvas.TextOut(0, 0, "Kopf");
    if (page == 2) marginTop = 4.0;  // from page 3 on
  };
  run.OnPrintFooter = [&](pf::TCanvas& canvas, int32_t page, int32_t w, int32_t h, bool&) {
    footers.push_back(page);
    footerHeights.push_back(h);
    canvas.TextOut(0, 0, "Fuss");
  };
  run.OnPrintProgress = [&](int32_t page, bool&) { progress.push_back(page); };
  const int32_t last = run.Print(1, 999);
  const int pages = printer.RecordedPageCount();
  ASSERT_GE(pages, 3);
  EXPECT_EQ(last, pages);
  EXPECT_EQ(run.PagesPrinted(), pages);
  std::vector<int32_t> numbers(static_cast<size_t>(pages));
  for (int i = 0; i < pages; ++i) numbers[static_cast<size_t>(i)] = i + 1;
  EXPECT_EQ(headers, numbers);
  EXPECT_EQ(footers, numbers);
  numbers.insert(numbers.begin(), 0);
  EXPECT_EQ(progress, numbers);
  // 2 cm at 96 dpi is 75 pixels, one logical unit each, 4 cm 151; the footer has what the body leaves of the page.
  // Each page shows its header in the top margin and its footer in the bottom one; the margin is the caller's again.
  std::vector<int32_t> tops(static_cast<size_t>(pages), 151);
  tops[0] = tops[1] = 75;
  EXPECT_EQ(headerHeights, tops);
  EXPECT_EQ(footerHeights, std::vector<int32_t>(static_cast<size_t>(pages), 75));
  EXPECT_EQ(marginTop, 2.0);
  const int32_t height = printer.PageHeight();
  for (int p = 0; p < pages; ++p) {
    EXPECT_TRUE(DrawnBetween(p, 0, tops[static_cast<size_t>(p)])) << p;
    EXPECT_TRUE(DrawnBetween(p, height - 75, height)) << p;
  }
  EXPECT_EQ(Log().front(), "BeginDoc ");
  EXPECT_EQ(Log().back(), "EndDoc");
}

// Page ranges: pages before the first are laid out off the paper; a range past the document prints nothing and
// leaves no job behind; the answer is the last page laid out.
TEST_F(PdfPrinter, PageRangesPrintTheirPagesOrNothing) {
  Document doc(Paragraphs(45));
  int32_t pages = TDocumentPrint(doc.list, Settings()).Print(1, 999);
  ASSERT_EQ(pages, 2);
  struct Case {
    int32_t from, to;
    int32_t last, printed;
    const char* end;
    const char* firstWord;
  } cases[] = {
      {1, 999, 2, 2, "EndDoc", "Absatz1"},
      {2, 2, 2, 1, "EndDoc", nullptr},
      {1, 1, 1, 1, "EndDoc", "Absatz1"},
      {3, 5, 2, 0, "Abort", nullptr},
  };
  for (const Case& c : cases) {
    TDocumentPrint run(doc.list, Settings());
    EXPECT_EQ(run.Print(c.from, c.to), c.last) << c.from;
    EXPECT_EQ(run.PagesPrinted(), c.printed) << c.from;
    EXPECT_EQ(Log().back(), c.end) << c.from;
    if (c.printed == 0) continue;
    EXPECT_EQ(PageCount(), c.printed) << c.from;
    const auto words = Words("Absatz[0-9]+");
    ASSERT_FALSE(words.empty());
    if (c.firstWord) {
      EXPECT_EQ(words.front().count(c.firstWord), 1u) << c.from;
    } else {
      EXPECT_EQ(words.front().count("Absatz1"), 0u) << "page 1 stays off the paper";
    }
  }
  EXPECT_FALSE(GetViewerPrinter().Printing());
}

TEST_F(RecordingPrinter, AStoppingHeaderEndsTheJobAfterItsPage) {
  Document doc(Paragraphs(120));
  TDocumentPrint run(doc.list, Settings());
  int headers = 0;
  run.OnPrintHeader = [&](pf::TCanvas&, int32_t, int32_t, int32_t, bool& stop) {
    ++headers;
    stop = true;
  };
  EXPECT_EQ(run.Print(1, 999), 1);
  EXPECT_EQ(headers, 1);
  EXPECT_EQ(printer.RecordedPageCount(), 1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"BeginDoc ", "EndDoc"}));
  EXPECT_EQ(Log().back(), "EndDoc");
}

// The printer object: its state errors, its page count, a document printed into a job that runs already, the unit
// printer.
TEST_F(RecordingPrinter, TheViewerPrinterKeepsItsJobInOrder) {
  auto message = [](const std::function<void()>& f) {
    try {
      f();
    } catch (const pf::EPrinter& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  TViewerPrinter job;
  EXPECT_EQ(job.State(), TViewerPrinter::psNoHandle);
  EXPECT_EQ(job.GetPageWidth(), printer.PageWidth());
  EXPECT_EQ(job.State(), TViewerPrinter::psHandleIC);
  for (auto call : {&TViewerPrinter::NewPage, &TViewerPrinter::EndDoc, &TViewerPrinter::Abort})
    EXPECT_EQ(message([&] { (job.*call)(); }), kNotPrinting);
  job.Title = std::string(40, 'T');
  job.BeginDoc();
  EXPECT_EQ(job.State(), TViewerPrinter::psHandleDC);
  EXPECT_EQ(job.PageNumber(), 1);
  EXPECT_EQ(message([&] { job.BeginDoc(); }), kPrintingInProgress);
  Document doc(Paragraphs(45));
  TDocumentPrint run(doc.list, Settings());
  run.Printer = &job;
  EXPECT_EQ(run.Print(1, 999), 2);
  EXPECT_TRUE(job.Printing()) << "the job is the caller's";
  EXPECT_EQ(job.PageNumber(), 3);
  job.EndDoc();
  EXPECT_EQ(job.PageNumber(), 0);
  EXPECT_EQ(Log(), (std::vector<std::string>{"BeginDoc " + std::string(31, 'T'), "NewPage", "NewPage", "EndDoc"}));
  EXPECT_EQ(printer.RecordedPageCount(), 3);

  TViewerPrinter* own = &GetViewerPrinter();
  EXPECT_EQ(SetViewerPrinter(&job), own);
  EXPECT_EQ(&GetViewerPrinter(), &job);
  SetViewerPrinter(own);
  printer.SetBackend(pf::pbPdfFile);
  printer.SetOutputFileName("");
  EXPECT_EQ(message([&] { job.BeginDoc(); }), kInvalidPrinter);
  EXPECT_FALSE(job.Printing());
}

// The body between the margins: HTML bands start at the body's left and are as wide as the body.
TEST_F(PdfPrinter, MarginsLessTheUnprintableBorderNeverGoBelowTheEdge) {
  Document doc(Paragraphs(3));
  struct Case {
    int dpi, borderMM;
    double margin, scale;
    int32_t left, margins;  // the logical left, the device pixels of both margins
  } cases[] = {
      {600, 0, 2.0, 1.0, 76, 944},  // trunc(2 / 2.54 x 600) = 472 pixels a side
      {600, 5, 0.3, 1.0, 0, 0},     // 0.3 cm lies inside the 5 mm border: the body starts at the printable edge
      {96, 0, 2.0, 2.0, 38, 150},   // 75 pixels a side, a logical unit two of them
  };
  for (const Case& c : cases) {
    printer.SetResolution(c.dpi);
    printer.SetUnprintableBorderMM(c.borderMM);
    TDocumentPrint::TSettings settings = Settings();
    settings.MarginLeft = settings.MarginRight = c.margin;
    settings.Scale = c.scale;
    TDocumentPrint run(doc.list, settings);
    int32_t left = -1, width = -1;
    run.OnPrintHTMLHeader = [&](int32_t, bool, int32_t& xl, int32_t& xr, bool&) -> const TSectionList* {
      left = xl;
      width = xr - xl;
      return nullptr;
    };
    run.Print(1, 1);
    EXPECT_EQ(left, c.left) << c.dpi << " " << c.margin;
    const int32_t logical = static_cast<int32_t>(96 / c.scale);
    EXPECT_EQ(width, pf::MulDiv(printer.PageWidth() - c.margins, logical, c.dpi)) << c.dpi << " " << c.margin;
  }
  // Margins that leave no body are refused before a job starts.
  TDocumentPrint::TSettings settings = Settings();
  settings.MarginLeft = settings.MarginRight = 12.0;
  const size_t jobs = Log().size();
  EXPECT_THROW(TDocumentPrint(doc.list, settings).Print(1, 999), pf::EPrinter);
  EXPECT_EQ(Log().size(), jobs);
}

// An object that ends every page at its top: the page is cut at its natural end and the rest still prints.
class Stubborn : public TSectionBase {
 public:
  using TSectionBase::TSectionBase;
  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override {
    return std::make_unique<Stubborn>(ownerList);
  }
  int32_t Paint(pf::TCanvas&, const pf::TRect& clip, IndentManager&, int32_t, int32_t, int32_t) override {
    if (OwnerList->Printing) OwnerList->PageBottom = OwnerList->YOff + clip.Top;
    return ContentTop;
  }
};

TEST_F(PdfPrinter, APageThatCannotBeCutIsPrintedWhole) {
  Document doc(Paragraphs(120));
  doc.list.Add(std::make_unique<Stubborn>(&doc.list), 0);
  TDocumentPrint run(doc.list, Settings());
  run.Print(1, 999);
  std::map<std::string, int> all = AllWords("Absatz[0-9]+");
  EXPECT_GE(PageCount(), 3);
  for (int i = 1; i <= 120; ++i) EXPECT_EQ(all["Absatz" + std::to_string(i)], 1) << i;
}

// What ends at a page's top was printed on the page before: each line (one whose float reaches onto the next page too),
// picture (its ALT text), table row and list marker is printed once, at natural and forced breaks.
TEST_F(PdfPrinter, EveryLineIsPrintedOnce) {
  std::string lines, pictures, rows, items;
  for (int i = 1; i <= 100; ++i) {
    const std::string n = std::to_string(i);
    lines += "Line" + n + " filler text<br>" +
             (i == 29   ? "<div style='page-break-before:always'>BreakBefore</div>"
              : i == 35 ? "<div style='page-break-after:always'>BreakAfter</div>"
                        : "");
    pictures += i <= 40 ? "<img width=300 height=40 alt=Pic" + n + "><br>" : "";
    rows += "<tr><td>Row" + n + "</td></tr>";
    items += "<li>Item" + n;
  }
  Document doc(lines + "AbovePage<img align=left width=50 height=1200><page>BelowPage" + pictures +
               "<table cellspacing=0 cellpadding=0>" + rows + "</table><ol>" + items + "</ol>");
  TDocumentPrint(doc.list, Settings()).Print(1, 999);
  const auto all = AllWords("(Line|Pic|Row|Item)[0-9]+|Break(Before|After)|(Above|Below)Page|\\b[0-9]+\\.");
  EXPECT_EQ(all.size(), 100u * 4 + 40 + 4);
  for (const auto& [word, count] : all) EXPECT_EQ(count, 1) << word;
}

// Preformatted text holds a table, a heading and a page break as running text does: on paper the break starts the
// second page.
TEST_F(PdfPrinter, PreformattedTextKeepsItsTablesHeadingsAndPageBreaks) {
  Document doc("<pre>Vorher\n<table border=1><tr><td>Zelle</td></tr></table>\n<h2>Titel</h2>Mitte<page>Nachher</pre>");
  TDocumentPrint(doc.list, Settings()).Print(1, 999);
  const auto words = Words("Vorher|Zelle|Titel|Mitte|Nachher");
  ASSERT_EQ(words.size(), 2u);
  for (const char* word : {"Vorher", "Zelle", "Titel", "Mitte"}) EXPECT_EQ(words[0].count(word), 1u) << word;
  EXPECT_EQ(words[0].count("Nachher"), 0u);
  EXPECT_EQ(words[1].count("Nachher"), 1u);
}

// ---- tables ----

std::string LongTable(int rows) {
  std::string html =
      "<table border=1 cellspacing=2><thead><tr><td>Kopfzeile</td></tr></thead>"
      "<tfoot><tr><td>Fusszeile</td></tr></tfoot><tbody>";
  for (int i = 1; i <= rows; ++i) html += "<tr><td>Reihe" + std::to_string(i) + "</td></tr>";
  return "<p>Vorher</p>" + html + "</tbody></table><p>Nachher</p>";
}

TEST_F(PdfPrinter, TablesRepeatTheirHeadAtTheTopAndTheirFootAtTheBottomOfEachPage) {
  Document doc(LongTable(90));
  TDocumentPrint run(doc.list, Settings());
  run.Print(1, 999);
  const auto words = Words("(Kopfzeile|Fusszeile|Reihe[0-9]+|Vorher|Nachher)");
  ASSERT_GE(words.size(), 3u);
  std::map<std::string, int> all;
  for (const auto& page : words) {
    EXPECT_EQ(page.count("Kopfzeile"), 1u);
    EXPECT_EQ(page.count("Fusszeile"), 1u);
    for (const auto& [word, count] : page) all[word] += count;
  }
  for (int i = 1; i <= 90; ++i) EXPECT_EQ(all["Reihe" + std::to_string(i)], 1) << i;
  EXPECT_EQ(all["Vorher"], 1);
  EXPECT_EQ(all["Nachher"], 1);
  // The head stands above the page's rows and the foot below them (pdftotext reads the page from top to bottom).
  for (const std::string& page : Pages()) {
    const size_t head = page.find("Kopfzeile"), firstRow = page.find("Reihe"), lastRow = page.rfind("Reihe");
    EXPECT_LT(head, firstRow) << page;
    EXPECT_GT(page.find("Fusszeile"), lastRow) << page;
  }
}

// A print copy of a table lays out like the table: rows, cells, spans and column settings come along.
TEST(PrintCopy, TablesAndBlocksLayOutLikeTheirSource) {
  const char* pages[] = {
      "<table border=2 cellpadding=4><col width=100><tr><td rowspan=2>a b c</td><td>d</td></tr><tr><td>e</td></tr>"
      "<tfoot><tr><td colspan=2 bgcolor=red>f</td></tr></tfoot></table>",
      "<ul><li>eins<li>zwei</ul><hr><div style='margin:20px;border:3px solid'>text</div>",
      "<table><caption>Titel</caption><tr><td><table><tr><td>innen</td></tr></table></td></tr></table>",
  };
  for (const char* html : pages) {
    Document doc(html);
    pf::TBitmap bitmap(8, 8, pf::pf24bit);
    int32_t width = 0;
    const int32_t height = doc.list.ComputeLayout(bitmap.Canvas(), pf::TRect{0, 0, 400, 300}, width);
    TSectionList copy(doc.list);
    int32_t copyWidth = 0;
    EXPECT_EQ(copy.ComputeLayout(bitmap.Canvas(), pf::TRect{0, 0, 400, 300}, copyWidth), height) << html;
    EXPECT_EQ(copyWidth, width) << html;
    EXPECT_GT(height, 30) << html;
  }
}

// ---- the viewer ----

// The viewer prints its document with its margins and events; while it prints nothing may replace the document,
// and HTML footers come from a hidden viewer that the handler fills.
TEST_F(PdfPrinter, TheViewerPrintsItsDocumentAndKeepsItWhilePrinting) {
  pf::SetFontService(nullptr);
  const std::filesystem::path dir = file.parent_path() / ("pexu-print-pages-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto write = [&](const std::string& name, const std::string& html) {
    std::ofstream((dir / name).string(), std::ios::binary) << html;
    return (dir / name).string();
  };
  const std::string page = write("seite.html",
                                 "<title>Bogen</title><form><p>Vor <input type=submit value=Knopf> "
                                 "<input type=text value=Feld> Nach</p></form>" +
                                     Paragraphs(120));
  const std::string other = write("andere.html", "<p>Andere</p>");
  pf::TForm form(nullptr);
  form.SetBounds(0, 0, 640, 480);
  auto* viewer = new TPageViewer(&form);
  viewer->SetParent(&form);
  viewer->SetAlign(pf::alClient);
  viewer->LoadFromFile(page);
  std::vector<bool> processing;
  viewer->OnPrintHeader = [&](pf::TObject*, pf::TCanvas&, int32_t, int32_t, int32_t, bool&) {
    viewer->LoadFromFile(other);
    processing.push_back(viewer->Processing());
  };
  std::vector<bool> lastPages;
  viewer->OnPrintHTMLFooter = [&](pf::TObject*, TPageViewer& band, int32_t number, bool last, int32_t&, int32_t&,
                                  bool&) {
    lastPages.push_back(last);
    band.LoadFromFile(write("fuss.html", "<p>Seite" + std::to_string(number) + "</p>"));
  };
  viewer->Print(1, 999);
  EXPECT_EQ(viewer->CurrentFile(), page);
  EXPECT_FALSE(viewer->Processing());
  const auto words = Words("(Seite[0-9]+|Absatz[0-9]+|Andere)");
  ASSERT_GE(words.size(), 3u);
  EXPECT_EQ(processing, std::vector<bool>(words.size(), true));
  for (size_t p = 0; p < words.size(); ++p) EXPECT_EQ(words[p].count("Seite" + std::to_string(p + 1)), 1u) << p;
  EXPECT_EQ(AllWords("Andere").size(), 0u);
  EXPECT_EQ(std::count(lastPages.begin(), lastPages.end(), true), 1);
  EXPECT_TRUE(lastPages.back());
  EXPECT_EQ(Log().front(), "BeginDoc Bogen");
  // The controls' print looks show their text level with the text of their line.
  const std::string boxes = Shell("pdftotext -f 1 -l 1 -bbox '" + file.string() + "' - 2>/dev/null");
  auto top = [&](const std::string& word) {
    std::smatch m;
    return std::regex_search(boxes, m, std::regex("yMin=\"([0-9.]+)\"[^>]*>" + word + "<")) ? std::stod(m[1]) : -99.0;
  };
  for (const char* word : {"Knopf", "Feld"}) EXPECT_NEAR(top(word), top("Vor"), 4.0) << word;
  std::filesystem::remove_all(dir);
}

// A panel that the host hid stays hidden: painting does not show its window, and paper shows neither the host's
// picture of it nor its frame with the ALT text. The other panel shows and prints as its frame.
TEST_F(PdfPrinter, APanelTheHostHidIsNeitherShownNorPrinted) {
  pf::SetFontService(nullptr);
  const std::filesystem::path page = file.parent_path() / ("pexu-print-panels-" + std::to_string(getpid()) + ".html");
  std::ofstream(page.string(), std::ios::binary)
      << "<p>Vor <panel name=sichtbar alt=Sichtbar width=120 height=40> "
         "<panel name=versteckt alt=Versteckt width=120 height=40> Nach</p>"
      << Paragraphs(60) << "<p><panel name=unten alt=Unten width=120 height=40></p>";
  std::map<std::string, ThvPanel*> panels;  // before the viewer, whose panels leave it as they go
  pf::TForm form(nullptr);
  form.SetBounds(0, 0, 640, 480);
  auto* viewer = new TPageViewer(&form);
  viewer->SetParent(&form);
  viewer->SetAlign(pf::alClient);
  viewer->SetOnPanelCreate(
      [&](pf::TObject*, const std::string& name, const std::string&, const std::string&, ThvPanel* panel) {
        panels[name] = panel;
        if (name == "versteckt") panel->Hide();
      });
  viewer->SetOnPanelDestroy([&](pf::TObject*, const std::string& name, ThvPanel*) { panels.erase(name); });
  viewer->LoadFromFile(page.string());
  ASSERT_EQ(panels.size(), 3u);
  form.Show();
  // Painting places the panels (their windows wait out of sight until it does).
  ASSERT_TRUE(testing_clock::PumpUntil([&] { return panels["sichtbar"]->Left() >= 0; }));
  EXPECT_TRUE(panels["sichtbar"]->Visible());
  EXPECT_GE(panels["versteckt"]->Left(), 0);
  EXPECT_FALSE(panels["versteckt"]->Visible());
  // Scrolled into view and out again, the last panel is hidden by the document, which does not keep it off paper.
  viewer->ScrollTo(viewer->DocHeight());
  ASSERT_TRUE(testing_clock::PumpUntil([&] { return panels["unten"]->Visible() && panels["unten"]->Left() >= 0; }));
  viewer->ScrollTo(0);
  ASSERT_TRUE(testing_clock::PumpUntil([&] { return !panels["unten"]->Visible(); }));
  viewer->Print(1, 999);
  EXPECT_EQ(AllWords("Vor|Nach|Sichtbar|Versteckt|Unten"),
            (std::map<std::string, int>{{"Nach", 1}, {"Sichtbar", 1}, {"Unten", 1}, {"Vor", 1}}));
  // Shown again by the host, it prints.
  panels["versteckt"]->Show();
  viewer->Print(1, 999);
  EXPECT_EQ(AllWords("Versteckt").size(), 1u);
  std::filesystem::remove(page);
}

// With htPrintBackground the body's background prints as the screen paints it: a PNG picture (a GDI+ picture) tiled
// over the body, a GIF picture at its position without repeating. The first page is read back at one pixel a logical
// unit; the body starts at the 2 cm margins (75 pixels).
TEST_F(PdfPrinter, TheBodysBackgroundPrintsAsTheScreenPaintsIt) {
  pf::SetFontService(nullptr);
  const std::filesystem::path dir = file.parent_path() / ("pexu-print-back-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream((dir / name).string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return (dir / name).string();
  };
  pf::test::PngSpec blue(2, 8, false, -1, 16, 16);
  blue.samples = {0, 0, 255};
  write("blau.png", pf::test::WritePng(blue));
  giftest::OracleGif red;
  red.width = red.height = 20, red.globalMap = {255, 0, 0, 0, 0, 0};
  giftest::OracleFrame frame;
  frame.width = frame.height = 20, frame.pixels.assign(400, 0);
  red.frames.push_back(frame);
  write("rot.gif", giftest::GiflibWrite(red));
  const struct {
    const char* body;
    std::vector<std::pair<pf::TPoint, pf::TColor>> probes;
  } cases[] = {
      {"<body background=blau.png>", {{{80, 80}, pf::clBlue}, {{400, 600}, pf::clBlue}, {{40, 40}, pf::clWhite}}},
      {"<body bgcolor=white style=\"background-image: url(rot.gif); background-repeat: no-repeat; "
       "background-position: 100px 50px\">",
       {{{185, 135}, pf::clRed}, {{80, 80}, pf::clWhite}, {{225, 135}, pf::clWhite}, {{185, 175}, pf::clWhite}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    const std::string html = c.body + std::string("<p>Hintergrund</p></body>");
    pf::TForm form(nullptr);
    form.SetBounds(0, 0, 640, 480);
    auto* viewer = new TPageViewer(&form);
    viewer->SetParent(&form);
    viewer->SetAlign(pf::alClient);
    viewer->SethtOptions(viewer->htOptions() | htPrintBackground);
    viewer->LoadFromFile(write("seite.html", std::vector<uint8_t>(html.begin(), html.end())));
    viewer->Print(1, 1);
    const std::string png = (dir / "seite").string();
    Shell("pdftoppm -r 96 -f 1 -l 1 -png '" + file.string() + "' '" + png + "'");
    pf::TPNGImage page;
    page.LoadFromFile(png + "-1.png");
    for (const auto& [at, color] : c.probes) {
      const pf::TColor seen = page.GetPixel(at.X, at.Y);
      int difference = 0;  // the PDF's colours come back within rounding
      for (int shift : {0, 8, 16})
        difference = std::max(difference, std::abs(int(seen >> shift & 0xFF) - int(color >> shift & 0xFF)));
      EXPECT_LE(difference, 2) << at.X << "," << at.Y << " shows " << std::hex << seen;
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
