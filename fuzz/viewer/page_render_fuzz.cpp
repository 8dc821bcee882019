// Any bytes as a page in a real page viewer on an offscreen form, at the fixed-metric font: loaded, laid out,
// painted at the top, the middle and the end, clicked on its links, form controls, image inputs and a few other
// points, its forms submitted, its text selected and copied, and (by the first byte) printed on the recording
// printer. Whatever the viewer raises is taken and dropped; nothing is followed and no file of the machine is read
// for the page (pictures come from memory or from nowhere, style sheets from nowhere). The document must never be
// of negative height or width, and no exception may leave the viewer, through the target or through an event.
//
// The first byte: bits 0-1 the window width, bits 2-3 the pictures (none, BMP, PNG, animated transparent GIF),
// bit 4 both scroll bars, bit 5 printing, bit 6 active links and printed backgrounds, bit 7 a text file.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gif/gif_image.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/fonts.h"
#include "platform/graphics/png_image.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/printers.h"
#include "platform/ui/system.h"
#include "viewer/font_runs.h"
#include "viewer/form_controls.h"
#include "viewer/image_cache.h"
#include "viewer/page_viewer.h"

namespace {

using namespace viewer;

constexpr int32_t kWidths[] = {120, 360, 720, 1500};
constexpr int32_t kHeight = 240;
constexpr int kPumpRounds = 3;
constexpr int kMaxClickedControls = 8, kMaxClickedLinks = 4, kMaxSubmittedForms = 3;
enum : uint8_t { kBothBars = 0x10, kPrint = 0x20, kActive = 0x40, kTextFile = 0x80 };

void Trap(bool failed) {
  if (failed) __builtin_trap();
}

void Pump() {
  for (int i = 0; i < kPumpRounds; ++i) pf::Application().ProcessMessages();
}

// The pictures every image request is answered with, by bits 2-3 of the first byte: an empty stream (the picture
// is missing), or a small BMP, PNG or two-frame GIF with a transparent colour.
class Pictures {
 public:
  Pictures() {
    pf::TBitmap bitmap(16, 12, pf::pf24bit);
    bitmap.Canvas().Brush().SetColor(0x2040C0);
    bitmap.Canvas().FillRect(pf::Rect(0, 0, 8, 12));
    bitmap.SaveToStream(streams_[1]);
    pf::TPNGImage png;
    png.Assign(bitmap);
    png.SaveToStream(streams_[2]);
    gif::TGifPicture gif;
    for (pf::TColor c : {pf::clRed, pf::clWhite}) gif.Header().ColorMap().Add(c);
    for (int frame = 0; frame < 2; ++frame) {
      auto f = std::make_unique<gif::TGIFSubImage>(&gif);
      f->SetBounds(0, 0, 8, 6);
      f->Data().assign(48, 0);
      for (int i = frame; i < 48; i += 3) f->Data()[static_cast<size_t>(i)] = 1;
      auto control = std::make_unique<gif::TGIFGraphicControlExtension>(f.get());
      control->SetDelay(5);
      control->SetTransparentColorIndex(1);
      control->SetTransparent(true);
      f->Extensions().Add(std::move(control));
      gif.Add(std::move(f));
    }
    gif.SaveToStream(streams_[3]);
  }
  pf::TMemoryStream* For(uint8_t mode) { return &streams_[(mode >> 2) & 3]; }

 private:
  pf::TMemoryStream streams_[4];
};

// Everything made once: the toolkit (before any picture is drawn), the pictures, and the page file: a file in
// memory that each run fills and the viewer reads as it reads any page, which leaves nothing behind however the
// process ends.
struct Setting {
  static bool StartUi() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    pf::SetFontService(pf::CreateFixedMetricFontService());
    pf::Application().ProcessMessages();
    // An exception that an event handler of the viewer lets out is a finding as much as one that reaches the target.
    pf::Application().OnException = [](pf::TObject*, const std::exception& e) {
      std::fprintf(stderr, "exception in an event: %s\n", e.what());
      std::abort();
    };
    pf::SetShellHandler([](const std::string&) { return true; });
    return true;
  }
  // Made on first use and kept for the life of the process: nothing of it needs freeing at exit.
  static Setting& Get() {
    static Setting* setting = new Setting;
    return *setting;
  }
  void WritePage(const uint8_t* data, size_t size) {
    Trap(pageFile < 0 || ::ftruncate(pageFile, 0) != 0 ||
         ::pwrite(pageFile, data, size, 0) != static_cast<ssize_t>(size));
  }
  bool started = StartUi();
  int pageFile = ::memfd_create("page.html", MFD_CLOEXEC);
  std::string page = "/proc/self/fd/" + std::to_string(pageFile);
  Pictures pictures;
  pf::TBitmap measure{1, 1};
};

// One run: a fresh viewer for the page, so that nothing of an earlier input (history, visited links, cached
// pictures) changes what this one does.
class Run {
 public:
  Run(Setting& setting, uint8_t mode) : setting_(setting), mode_(mode) {
    form_.SetBorderStyle(pf::bsNone);
    form_.SetClientWidth(kWidths[mode & 3]);
    form_.SetClientHeight(kHeight);
    viewer_ = new TPageViewer(&form_);
    viewer_->SetParent(&form_);
    viewer_->SetAlign(pf::alClient);
    viewer_->SetBorderStyle(htNone);
    viewer_->SetScrollBars(mode & kBothBars ? pf::ssBoth : pf::ssVertical);
    viewer_->SetImageCacheCount(0);
    if (mode & kActive) viewer_->SethtOptions(viewer_->htOptions() | htOverLinksActive | htPrintBackground);
    // Nothing is followed: a link within the page scrolls to its anchor, every other one ends at the handler.
    viewer_->OnHotSpotClick = [](pf::TObject*, const std::string& url, bool& handled) {
      handled = url.empty() || url[0] != '#';
    };
    viewer_->SetOnFormSubmit([this](pf::TObject*, const std::string& action, const std::string&, const std::string&,
                                    const std::string& method, std::unique_ptr<pf::TStringList> results) {
      size_t bytes = action.size() + method.size();
      for (int i = 0; i < results->Count(); ++i) bytes += (*results)[i].size();
      submitted_ += bytes + 1;
    });
    // Pictures from memory, style sheets from nowhere; names stay as written, so no path reaches a file.
    viewer_->SetOnImageRequest([this](pf::TObject*, const std::string&, pf::TMemoryStream*& stream) {
      stream = setting_.pictures.For(mode_);
    });
    viewer_->OnhtStreamRequest = [](pf::TObject*, const std::string&, pf::TMemoryStream*& stream) { stream = nullptr; };
    viewer_->SectionList().OnExpandName = [](pf::TObject*, const std::string& src, std::string& result) {
      result = src;
    };
    viewer_->OnInclude = [](pf::TObject*, const std::string&, pf::TStringList&, std::string& text) {
      text = "<b>i</b>";
    };
    viewer_->OnObjectTag = [](pf::TObject*, ThvPanel*, const pf::TStringList&, const pf::TStringList& params,
                              bool& want) { want = params.Count() > 0; };
  }

  void Go() {
    form_.Show();
    for (int i = 0; i < 20 && !form_.Active(); ++i) pf::Application().ProcessMessages();
    if (mode_ & kTextFile)
      viewer_->LoadTextFile(setting_.page);
    else
      viewer_->LoadFromFile(setting_.page);
    Trap(viewer_->DocHeight() < 0 || viewer_->MaxHorzExtent() < 0);
    for (int32_t y : {0, viewer_->DocHeight() / 2, viewer_->DocHeight()}) {
      ShowAt(y);
      Click(viewer_->PaintPanel().Width() / 3, y + kHeight / 3);
    }
    ClickControls();
    ClickLinks();
    SubmitForms();
    SelectAndCopy();
    if (mode_ & kPrint) Print();
    Trap(viewer_->DocHeight() < 0 || viewer_->MaxHorzExtent() < 0);
  }

 private:
  void ShowAt(int32_t y) {
    viewer_->ScrollTo(y);
    viewer_->PaintPanel().Repaint();
    Pump();
  }

  // A click at a document point, scrolled into view first as a user would.
  void Click(int32_t x, int32_t y) {
    const int32_t height = viewer_->PaintPanel().Height();
    if (y < viewer_->VScrollBarPosition() || y >= viewer_->VScrollBarPosition() + height) ShowAt(y - height / 2);
    const pf::TPoint point{x - viewer_->HScrollBarPosition(), y - viewer_->VScrollBarPosition()};
    if (point.X < 0 || point.Y < 0 || point.X >= viewer_->PaintPanel().Width() || point.Y >= height) return;
    pf::SendMouseClick(viewer_->PaintPanel(), point);
    Pump();
  }

  // A few of the form controls, spread over the document: image inputs on their picture, the others on their
  // window where painting placed it.
  void ClickControls() {
    const std::vector<TFormControlObj*>& controls = viewer_->SectionList().FormControlList;
    const size_t step = std::max<size_t>(1, controls.size() / kMaxClickedControls);
    for (size_t i = 0; i < controls.size(); i += step) {
      TFormControlObj* control = controls[i];
      if (auto* image = dynamic_cast<TImageFormControlObj*>(control); image && image->MyImage) {
        ShowAt(image->MyImage->DrawYY - kHeight / 2);
        Click(image->MyImage->DrawXX + image->MyImage->ObjWidth / 2,
              image->MyImage->DrawYY + image->MyImage->ObjHeight / 2);
        continue;
      }
      if (!control->ShowIt) ShowAt(control->PositionY - kHeight / 2);
      pf::TWinControl* window = control->GetControl();
      if (window && control->ShowIt)
        Click(window->Left() + window->Width() / 2 + viewer_->HScrollBarPosition(),
              window->Top() + window->Height() / 2 + viewer_->VScrollBarPosition());
    }
  }

  // A few links, each on the first character of its text.
  void ClickLinks() {
    const std::vector<TFontObj*>& links = viewer_->SectionList().LinkList;
    const size_t step = std::max<size_t>(1, links.size() / kMaxClickedLinks);
    for (size_t i = 0; i < links.size(); i += step) {
      int32_t x = 0, y = 0;
      const int32_t position = viewer_->SectionList().MapToDocPos(links[i]->UrlTarget.utText.Start);
      if (viewer_->SectionList().GetPositionXY(setting_.measure.Canvas(), position, x, y)) Click(x + 2, y + 2);
    }
  }

  void SubmitForms() {
    TFreeList<ThtmlForm>& forms = viewer_->SectionList().htmlFormList;
    for (int i = 0; i < forms.Count() && i < kMaxSubmittedForms; ++i) {
      forms[i]->Submit("");
      Pump();
    }
  }

  // A drag as the mouse does it from the top left of the text to the middle character of the document (or the
  // panel's bottom, if that is below), then the whole document; each copied as text.
  void SelectAndCopy() {
    TPaintPanel& panel = viewer_->PaintPanel();
    ShowAt(0);
    int32_t x = 0, y = 0;
    viewer_->SectionList().GetPositionXY(setting_.measure.Canvas(), viewer_->SectionList().Len / 2, x, y);
    x += 1 - viewer_->HScrollBarPosition();
    y += 1 - viewer_->VScrollBarPosition();
    viewer_->PanelMouseDown(&panel, pf::mbLeft, 0, viewer_->MarginWidth() + 2, viewer_->MarginHeight() + 2);
    viewer_->PanelMouseMove(&panel, pf::ssLeft, x, y);
    viewer_->PanelMouseUp(&panel, pf::mbLeft, 0, x, y);
    Copy();
    TSectionList& document = viewer_->SectionList();
    document.SelB = 0;
    document.SelE = document.Len;
    Copy();
  }

  void Copy() {
    TSectionList& document = viewer_->SectionList();
    const int32_t count = document.CountSelectedChars();
    Trap(count < 0);
    std::u16string text(static_cast<size_t>(count) + 1, u'\0');
    Trap(document.CopySelectedTextToBuffer(text.data(), count + 1) > count + 1);
  }

  // The first pages on the recording printer at a low resolution, so that nothing leaves the program.
  void Print() {
    pf::TPrinter printer;
    printer.SetBackend(pf::pbRecording);
    printer.SetResolution(72);
    pf::TPrinter* previous = pf::SetPrinter(&printer);
    viewer_->Print(1, 2);
    pf::SetPrinter(previous);
  }

  Setting& setting_;
  uint8_t mode_;
  pf::TForm form_{nullptr};
  TPageViewer* viewer_;   // the form's
  size_t submitted_ = 0;  // the bytes of every submission, so that each of its lines is read
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Setting& setting = Setting::Get();
  if (size == 0) return 0;
  setting.WritePage(data + 1, size - 1);
  Run run(setting, data[0]);
  run.Go();
  return 0;
}
