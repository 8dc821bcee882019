// Parse plus layout of two pages the engine writes, the exam sheet of class A part T (51 questions) and an exam-log
// page of 2,000 rows, by the page viewer (a real control in an offscreen window) and by litehtml, both measuring
// text with the same fixed character metrics and both reading the pages' style sheet.
#include <benchmark/benchmark.h>
#include <litehtml/litehtml.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "engine/startup.h"
#include "engine/state.h"
#include "platform/core/codepage.h"
#include "platform/core/files.h"
#include "platform/core/random.h"
#include "platform/graphics/fonts.h"
#include "platform/ui/forms.h"
#include "tests/engine/quiet_port.h"
#include "viewer/page_viewer.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 800, kHeight = 600;
constexpr int kLogEntries = 1000;  // two rows each

// The engine writes the exam sheet, and the log page of an exam log of kLogEntries exams, into a fresh data folder.
struct Pages {
  Pages() {
    data = fs::temp_directory_path() / ("pexu-bench-viewer-" + std::to_string(::getpid()));
    fs::create_directories(data / "Fragen");
    fs::copy_file(PEXU_CATALOGUE, data / "Fragen/KAEFragen.qst", fs::copy_options::overwrite_existing);
    pf::LcgRandom random(7);
    pf::SetRandomSource(&random);
    QuietPort port{PEXU_SOURCE_DIR "/resources", true, "Pexu-Team"};
    {
      engine::AppState state;
      engine::OpenDataFolder(state, data.string(), port);
      engine::Engine engine(state, port);
      pf::TStringList part;
      part.Add("teil=T");
      engine.PexuPageViewerFormSubmit("PexuTA", "", "", "post", part);
    }
    std::string log;
    for (int i = 0; i < kLogEntries; ++i)
      log += "<td>TA/" + std::to_string(i + 1) +
             "&nbsp;&nbsp;</td><td>[06.12.2026 22:45:06] &nbsp;51 von 51 Fragen in 80 min (90) bearbeitet.</td>\r\n"
             "<td valign=\"top\"><b><font color=\"#d00000\">nein</font></b></td><td>Richtig: 37 (72%) &nbsp; Falsch: "
             "TB106 TB107 TB108 TB111 TB112 TC101 TC103 TC104 TC106 TC107 TC108 TC109 TC110 TC112 </td>\r\n";
    std::ofstream((data / "Pexu.log").string(), std::ios::binary) << log;
    {
      engine::AppState state;
      engine::OpenDataFolder(state, data.string(), port);
      engine::Engine engine(state, port);
      engine.LogSpeedButtonClick();
    }
    pf::SetRandomSource(nullptr);
    sheet = (data / "html/LetztePruefung.html").string();
    logPage = (data / "html/LetztesLog.html").string();
  }
  ~Pages() { fs::remove_all(data); }
  fs::path data;
  std::string sheet, logPage;
};

Pages& ThePages() {
  static Pages pages;
  return pages;
}

// ---- ours: the viewer control as the main window has it ----

struct Ours {
  Ours() {
    pf::SetFontService(pf::CreateFixedMetricFontService());
    form.SetBounds(0, 0, kWidth, kHeight);
    viewer = new viewer::TPageViewer(&form);
    viewer->SetParent(&form);
    viewer->SetAlign(pf::alClient);
    viewer->SetBorderStyle(viewer::htNone);
    viewer->SetScrollBars(pf::ssVertical);
    viewer->SetServerRoot(PEXU_SOURCE_DIR "/resources");
    form.Show();
    for (int i = 0; i < 10; ++i) pf::Application().ProcessMessages();
  }
  pf::TForm form{nullptr};
  viewer::TPageViewer* viewer = nullptr;
};

void LayoutOurs(benchmark::State& state, const std::string& page) {
  // Made once and kept to the end of the program: its windows go with the window system.
  static Ours* ours = new Ours;
  for (auto _ : state) {
    ours->viewer->LoadFile(page, viewer::HTMLType);
    benchmark::DoNotOptimize(ours->viewer->DocHeight());
  }
  state.counters["height"] = ours->viewer->DocHeight();
}

// ---- litehtml with the same character metrics ----

// Fonts are their pixel size and a bold flag; the advances are those of the fixed-metric font service.
class FixedMetricContainer : public litehtml::document_container {
 public:
  litehtml::uint_ptr create_font(const litehtml::tchar_t*, int size, int weight, litehtml::font_style, unsigned int,
                                 litehtml::font_metrics* fm) override {
    const int px = size > 0 ? size : 16, bold = weight >= 600 ? 1 : 0;
    if (fm) {
      fm->height = px + px / 4;
      fm->descent = fm->height / 5;
      fm->ascent = fm->height - fm->descent;
      fm->x_height = px / 2;
    }
    return static_cast<litehtml::uint_ptr>(px * 2 + bold);
  }
  void delete_font(litehtml::uint_ptr) override {}
  int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr font) override {
    const int px = static_cast<int>(font / 2), bold = static_cast<int>(font % 2);
    int width = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
      const unsigned char c = *p;
      if ((c & 0xC0) == 0x80) continue;  // a UTF-8 continuation byte
      if (c < 32) continue;
      if (c == ' ' || (c < 128 && std::string_view("il.,;:'!|").find(static_cast<char>(c)) != std::string::npos))
        width += std::max(1, px / 4) + bold;
      else if ((c >= 'A' && c <= 'Z') || c == 'm' || c == 'w' || c == '@')
        width += px * 3 / 4 + bold;
      else
        width += px / 2 + bold;
    }
    return width;
  }
  void draw_text(litehtml::uint_ptr, const litehtml::tchar_t*, litehtml::uint_ptr, litehtml::web_color,
                 const litehtml::position&) override {}
  int pt_to_px(int pt) const override { return pt * 96 / 72; }
  int get_default_font_size() const override { return 16; }
  const litehtml::tchar_t* get_default_font_name() const override { return "Times New Roman"; }
  void draw_list_marker(litehtml::uint_ptr, const litehtml::list_marker&) override {}
  void load_image(const litehtml::tchar_t*, const litehtml::tchar_t*, bool) override {}
  void get_image_size(const litehtml::tchar_t*, const litehtml::tchar_t*, litehtml::size& sz) override {
    sz.width = sz.height = 0;
  }
  void draw_background(litehtml::uint_ptr, const litehtml::background_paint&) override {}
  void draw_borders(litehtml::uint_ptr, const litehtml::borders&, const litehtml::position&, bool) override {}
  void set_caption(const litehtml::tchar_t*) override {}
  void set_base_url(const litehtml::tchar_t*) override {}
  void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
  void on_anchor_click(const litehtml::tchar_t*, const litehtml::element::ptr&) override {}
  void set_cursor(const litehtml::tchar_t*) override {}
  void transform_text(litehtml::tstring&, litehtml::text_transform) override {}
  // The page's style sheet is read from its file, as the viewer reads it.
  void import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring&) override {
    try {
      text = pf::Latin1ToUtf8(pf::ReadFileBytes(url));
    } catch (const std::exception&) {
      text.clear();
    }
  }
  void set_clip(const litehtml::position&, const litehtml::border_radiuses&, bool, bool) override {}
  void del_clip() override {}
  void get_client_rect(litehtml::position& client) const override { client = {0, 0, kWidth, kHeight}; }
  std::shared_ptr<litehtml::element> create_element(const litehtml::tchar_t*, const litehtml::string_map&,
                                                    const std::shared_ptr<litehtml::document>&) override {
    return nullptr;
  }
  void get_media_features(litehtml::media_features& media) const override {
    media.type = litehtml::media_type_screen;
    media.width = media.device_width = kWidth;
    media.height = media.device_height = kHeight;
    media.color = 8;
    media.resolution = 96;
  }
  void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override {
    language = "de";
    culture.clear();
  }
};

// What the elements of these pages are by default (the library brings no default sheet of its own).
constexpr const char* kDefaultSheet = R"(
html, address, blockquote, body, dd, div, dl, dt, fieldset, form, frame, frameset, h1, h2, h3, h4, h5, h6, noframes,
ol, p, ul, center, dir, hr, menu, pre { display: block }
head, title, meta, link, style, script { display: none }
li { display: list-item }
table { display: table; border-spacing: 2px }
tr { display: table-row }
thead { display: table-header-group }
tbody { display: table-row-group }
tfoot { display: table-footer-group }
td, th { display: table-cell; padding: 1px }
caption { display: table-caption }
body { margin: 8px }
h1 { font-size: 2em; margin: .67em 0 } h2 { font-size: 1.5em; margin: .75em 0 } h3 { font-size: 1.17em; margin: .83em 0 }
p, ul, ol, form { margin: 1em 0 }
b, strong, th, h1, h2, h3, h4 { font-weight: bold }
big { font-size: 1.17em } small { font-size: .83em }
center { text-align: center }
a { color: #0000ff; text-decoration: underline }
input { display: inline-block; width: 13px; height: 13px }
img { display: inline-block }
br { display: block }
)";

void LayoutLitehtml(benchmark::State& state, const std::string& page) {
  const std::string html = pf::Latin1ToUtf8(pf::ReadFileBytes(page));
  litehtml::context context;
  context.load_master_stylesheet(kDefaultSheet);
  FixedMetricContainer container;
  int height = 0;
  for (auto _ : state) {
    litehtml::document::ptr document = litehtml::document::createFromUTF8(html.c_str(), &container, &context);
    document->render(kWidth - 16);
    height = document->height();
    benchmark::DoNotOptimize(height);
  }
  state.counters["height"] = height;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  benchmark::RegisterBenchmark("layout-sheet/ours", [](benchmark::State& s) {
    LayoutOurs(s, ThePages().sheet);
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("layout-sheet/litehtml", [](benchmark::State& s) {
    LayoutLitehtml(s, ThePages().sheet);
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("layout-log/ours", [](benchmark::State& s) {
    LayoutOurs(s, ThePages().logPage);
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("layout-log/litehtml", [](benchmark::State& s) {
    LayoutLitehtml(s, ThePages().logPage);
  })->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
