// Loads a page into a real page viewer in an offscreen window, lays it out, paints it into a PNG file and reports
// what the viewer shows and raises:
//   pexu-render [--width W] [--height H] [--scroll Y] [--fixed-fonts] [--full] [--controls] [--click X,Y]...
//               PAGE OUT.png
// Prints (UTF-8) TITLE <title>, SIZE <document width> <document height>, with --controls one line
// CONTROL <kind> "<name>" "<value>" <x> <y> <w> <h> per windowed form control in panel co-ordinates (at the scroll
// position given), then for each click what the viewer raised: HOTSPOT <url>, or SUBMIT <action> <method> followed
// by RESULT <line> lines. A click outside the visible panel scrolls the view first, as a user would. OUT.png shows
// the visible panel after the clicks (with --full the whole document height).
//   pexu-render --pdf OUT.pdf [--from N --to M] [--scale S] PAGE
// prints the page's pages N..M (1..999) at print scale S (0.25 to 4) into a PDF file on A4 and reports
// PRINTED <pages on paper> LAST <last page laid out>; a range past the document's end leaves no file.
// Exit 2 with a message for bad arguments or a page that cannot be loaded.
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/codepage.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/graphics/fonts.h"
#include "platform/graphics/png_image.h"
#include "platform/ui/capture.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/printers.h"
#include "viewer/form_controls.h"
#include "viewer/page_viewer.h"

using namespace viewer;

namespace {

constexpr int kPumpRounds = 20;

struct BadInput {
  std::string message;
};

struct Arguments {
  int32_t width = 800, height = 600, scroll = 0;
  bool fixedFonts = false, full = false, controls = false;
  std::vector<pf::TPoint> clicks;
  std::string page, out;
  std::string pdf;  // printing instead of a picture
  int32_t from = 1, to = 999;
  double scale = 1.0;
};

int32_t Number(const std::string& text) {
  int32_t value = 0;
  if (!pf::TryStrToInt(text, value)) throw BadInput{"not a number: " + text};
  return value;
}

Arguments ParseArguments(int argc, char** argv) {
  Arguments args;
  std::vector<std::string> files;
  auto value = [&](int& i) -> std::string {
    if (i + 1 >= argc) throw BadInput{std::string(argv[i]) + " needs a value"};
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--width") {
      args.width = Number(value(i));
    } else if (a == "--height") {
      args.height = Number(value(i));
    } else if (a == "--scroll") {
      args.scroll = Number(value(i));
    } else if (a == "--fixed-fonts") {
      args.fixedFonts = true;
    } else if (a == "--full") {
      args.full = true;
    } else if (a == "--controls") {
      args.controls = true;
    } else if (a == "--click") {
      const std::string point = value(i);
      const size_t comma = point.find(',');
      if (comma == std::string::npos) throw BadInput{"--click needs X,Y"};
      args.clicks.push_back({Number(point.substr(0, comma)), Number(point.substr(comma + 1))});
    } else if (a == "--pdf") {
      args.pdf = value(i);
    } else if (a == "--from") {
      args.from = Number(value(i));
    } else if (a == "--to") {
      args.to = Number(value(i));
    } else if (a == "--scale") {
      const std::string scale = value(i);
      if (!pf::TryStrToFloat(scale, args.scale) || !(args.scale >= 0.25 && args.scale <= 4.0))
        throw BadInput{"--scale takes 0.25 to 4: " + scale};
    } else if (a.starts_with("--")) {
      throw BadInput{"unknown option: " + a};
    } else {
      files.push_back(a);
    }
  }
  if (!args.pdf.empty()) {
    if (files.size() != 1) throw BadInput{"usage: pexu-render --pdf OUT.pdf [--from N --to M] [--scale S] PAGE"};
    if (args.from < 1 || args.to < args.from) throw BadInput{"pages are counted from 1, --to not before --from"};
    args.page = files[0];
    return args;
  }
  if (files.size() != 2)
    throw BadInput{
        "usage: pexu-render [--width W] [--height H] [--scroll Y] [--fixed-fonts] [--full] [--controls] "
        "[--click X,Y]... PAGE OUT.png"};
  if (args.width < 50 || args.height < 50 || args.width > 10000 || args.height > 10000)
    throw BadInput{"the window is 50 to 10000 pixels wide and high"};
  args.page = files[0];
  args.out = files[1];
  return args;
}

std::string Utf8(const std::string& latin1) { return pf::Latin1ToUtf8(latin1); }

std::string Quoted(const std::string& latin1) { return "\"" + Utf8(pf::StringReplaceAll(latin1, "\"", "\\\"")) + "\""; }

void Pump() {
  for (int i = 0; i < kPumpRounds; ++i) pf::Application().ProcessMessages();
}

// The control's kind: the INPUT type, or select, textarea.
std::string KindOf(TFormControlObj& control) {
  if (dynamic_cast<TListBoxFormControlObj*>(&control)) return "select";
  if (dynamic_cast<TTextAreaFormControlObj*>(&control)) return "textarea";
  const std::string type = control.AttributeText ? pf::LowerCase(control.AttributeText->Values("type")) : "";
  return type.empty() ? "text" : type;
}

// What the control holds now: a check box's or radio button's VALUE, else the value it would submit.
std::string ValueOf(TFormControlObj& control) {
  if (dynamic_cast<TCheckableFormControlObj*>(&control)) return control.Value;
  std::string pair;
  if (control.GetSubmission(0, pair)) {
    const size_t equals = pair.find('=');
    return equals == std::string::npos ? pair : pair.substr(equals + 1);
  }
  return control.Value;
}

struct Placed {
  int32_t x, docY, w, h;
};

// Steps through the document a panel at a time (painting places the windowed controls in view) and calls each
// with the scroll position reached; the view returns to where it was.
template <class F>
void ForEachView(TPageViewer& viewer, F visit) {
  const int32_t start = viewer.VScrollBarPosition();
  const int32_t step = std::max(viewer.PaintPanel().Height(), 1);
  for (int32_t top = 0;; top += step) {
    viewer.ScrollTo(top);
    viewer.PaintPanel().Update();
    Pump();
    visit(viewer.VScrollBarPosition());
    if (top + step >= viewer.DocHeight()) break;
  }
  viewer.ScrollTo(start);
  viewer.PaintPanel().Update();
  Pump();
}

std::map<TFormControlObj*, Placed> PlaceControls(TPageViewer& viewer) {
  std::map<TFormControlObj*, Placed> placed;
  ForEachView(viewer, [&](int32_t scroll) {
    for (TFormControlObj* control : viewer.SectionList().FormControlList) {
      pf::TWinControl* window = control->GetControl();
      if (!window || !control->ShowIt || placed.count(control)) continue;
      placed[control] = {window->Left(), window->Top() + scroll, window->Width(), window->Height()};
    }
  });
  return placed;
}

void PrintControls(TPageViewer& viewer) {
  const std::map<TFormControlObj*, Placed> placed = PlaceControls(viewer);
  const int32_t scroll = viewer.VScrollBarPosition();
  for (TFormControlObj* control : viewer.SectionList().FormControlList) {
    const auto at = placed.find(control);
    if (at == placed.end()) continue;
    const Placed& p = at->second;
    std::cout << "CONTROL " << KindOf(*control) << " " << Quoted(control->Name) << " " << Quoted(ValueOf(*control))
              << " " << p.x << " " << p.docY - scroll << " " << p.w << " " << p.h << "\n";
  }
}

// A click at a point of the panel as it was at the start; a point out of view is scrolled into it first.
void Click(TPageViewer& viewer, pf::TPoint point, int32_t startScroll) {
  const int32_t panelHeight = viewer.PaintPanel().Height();
  const int32_t docY = point.Y + startScroll;
  int32_t scroll = viewer.VScrollBarPosition();
  if (docY < scroll || docY >= scroll + panelHeight) {
    viewer.ScrollTo(docY - panelHeight / 2);
    viewer.PaintPanel().Update();
    Pump();
    scroll = viewer.VScrollBarPosition();
  }
  pf::SendMouseClick(viewer.PaintPanel(), {point.X, docY - scroll});
  Pump();
}

void SavePicture(TPageViewer& viewer, const Arguments& args) {
  pf::TPNGImage png;
  if (!args.full) {
    viewer.PaintPanel().Update();
    png.Assign(*pf::CaptureControl(viewer.PaintPanel()));
  } else {
    const int32_t width = viewer.PaintPanel().Width();
    png.SetPixelFormat(pf::pf24bit);
    png.SetSize(width, std::max(viewer.DocHeight(), viewer.PaintPanel().Height()));
    ForEachView(viewer, [&](int32_t scroll) {
      std::unique_ptr<pf::TBitmap> view = pf::CaptureControl(viewer.PaintPanel());
      png.Canvas().Draw(0, scroll, *view);
    });
  }
  png.SaveToFile(args.out);
}

// Prints the viewer's document through a PDF printer made the current one for the time.
void PrintToPdf(TPageViewer& viewer, const Arguments& args) {
  pf::TPrinter printer;
  printer.SetBackend(pf::pbPdfFile);
  printer.SetOutputFileName(pf::ExpandFileName(args.pdf));
  pf::TPrinter* previous = pf::SetPrinter(&printer);
  int32_t last = 0;
  viewer.OnPrintProgress = [&last](pf::TObject*, int32_t page, bool&) { last = page; };
  viewer.SetPrintScale(args.scale);
  try {
    viewer.Print(args.from, args.to);
  } catch (...) {
    pf::SetPrinter(previous == &printer ? nullptr : previous);
    throw;
  }
  pf::SetPrinter(previous == &printer ? nullptr : previous);
  const int32_t printed = std::max(0, std::min(last, args.to) - args.from + 1);
  std::cout << "PRINTED " << printed << " LAST " << last << "\n";
}

int Run(const Arguments& args) {
  if (args.fixedFonts) pf::SetFontService(pf::CreateFixedMetricFontService());
  const std::string page = pf::ExpandFileName(args.page);
  if (!pf::FileExists(page)) throw BadInput{"no such page: " + args.page};

  pf::TForm form(nullptr);
  form.SetBorderStyle(pf::bsNone);
  form.SetBounds(0, 0, args.width, args.height);
  form.SetClientWidth(args.width);
  form.SetClientHeight(args.height);
  auto* viewer = new TPageViewer(&form);
  viewer->SetParent(&form);
  viewer->SetAlign(pf::alClient);
  // As the program's main window has it; the program folder is the folder above the page's.
  viewer->SetDefBackground(pf::clWindow);
  viewer->SetBorderStyle(htNone);
  viewer->SetScrollBars(pf::ssVertical);
  viewer->SetHistoryMaxCount(100);
  viewer->SetImageCacheCount(0);
  viewer->SetServerRoot(pf::ExtractFileDir(pf::ExtractFileDir(page)));
  viewer->OnHotSpotClick = [](pf::TObject*, const std::string& url, bool& handled) {
    std::cout << "HOTSPOT " << Utf8(url) << "\n";
    handled = true;
  };
  viewer->SetOnFormSubmit([](pf::TObject*, const std::string& action, const std::string&, const std::string&,
                             const std::string& method, std::unique_ptr<pf::TStringList> results) {
    std::cout << "SUBMIT " << Utf8(action) << " " << Utf8(method) << "\n";
    for (int i = 0; i < results->Count(); ++i) std::cout << "RESULT " << Utf8((*results)[i]) << "\n";
  });
  form.Show();
  for (int i = 0; i < kPumpRounds && !form.Active(); ++i) pf::Application().ProcessMessages();
  try {
    viewer->LoadFromFile(page);
  } catch (const pf::Exception& e) {
    throw BadInput{Utf8(e.what())};
  }
  viewer->ScrollTo(args.scroll);
  viewer->PaintPanel().Update();
  Pump();
  const int32_t startScroll = viewer->VScrollBarPosition();

  std::cout << "TITLE " << Utf8(viewer->GetDocumentTitle()) << "\n";
  std::cout << "SIZE " << viewer->MaxHorzExtent() << " " << viewer->DocHeight() << "\n";
  if (!args.pdf.empty()) {
    PrintToPdf(*viewer, args);
    return 0;
  }
  if (args.controls) PrintControls(*viewer);
  for (const pf::TPoint& point : args.clicks) Click(*viewer, point, startScroll);
  std::cout.flush();
  SavePicture(*viewer, args);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  try {
    return Run(ParseArguments(argc, argv));
  } catch (const BadInput& e) {
    std::cerr << "pexu-render: " << e.message << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "pexu-render: " << Utf8(e.what()) << "\n";
    return 2;
  }
}
