// Any bytes through the HTML reader and the document builder (or, by the first byte, the plain-text reader), with
// every event of the viewer set. The built document must hold together: every section finished with one flag per
// character and one more, its runs in order from 0, a picture at every picture character and a control at every
// control character, and every link run in the link list a run of the document. By the first byte the document is
// also laid out at a width it picks, painted, hit-tested and searched, and its text copied.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "platform/core/exceptions.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/fonts.h"
#include "viewer/blocks.h"
#include "viewer/html_parser.h"
#include "viewer/table_structure.h"

namespace {

using namespace viewer;

enum : uint8_t { kPlainText = 0x01, kNoViewer = 0x02, kLayout = 0x04 };

void Trap(bool failed) {
  if (failed) __builtin_trap();
}

class FuzzViewer : public IViewerControl {
 public:
  FuzzViewer() {
    OnScript = [](pf::TObject*, const std::string&, const std::string&, const std::string&) {};
    OnObjectTag = [this](pf::TObject*, ThvPanel*, const pf::TStringList&, const pf::TStringList& params, bool& want) {
      want = (++objects_ % 2) == 0 || params.Count() > 0;
    };
  }
  pf::TObject* Sender() override { return nullptr; }
  // No file of the machine is read for a fuzzed page.
  std::string ExpandFileName(const std::string& name) override { return "/nonexistent/" + name; }
  void SetCodePage(int codePage) override {}
  void FollowLinkByKey(const TUrlTarget& link) override {}
  void DocumentKeyPress(char& key) override {}
  void DoProgress(int percent) override {}

 private:
  int objects_ = 0;
};

void CheckSection(const TSection& s, std::set<const TFontObj*>& runs) {
  const size_t length = s.Text.size();
  Trap(s.BreakFlags.size() != (length == 0 ? 0 : length + 1));
  Trap(s.Fonts.Count() == 0 || s.Fonts[0]->Pos != 0);
  for (int i = 0; i < s.Fonts.Count(); ++i) {
    Trap(i > 0 && s.Fonts[i]->Pos <= s.Fonts[i - 1]->Pos);
    runs.insert(s.Fonts[i]);
  }
  for (size_t i = 0; i < length; ++i) {
    if (s.Text[i] == kImageChar) Trap(!s.Images.FindImage(static_cast<int32_t>(i)));
    if (s.Text[i] == kFormControlChar) Trap(!s.FormControls.FindControlAt(static_cast<int32_t>(i)));
  }
}

void CheckCell(const TCellBasic& cell, std::set<const TFontObj*>& runs) {
  for (int i = 0; i < cell.Count(); ++i) {
    const TSectionBase* object = cell[i];
    if (const auto* section = dynamic_cast<const TSection*>(object)) CheckSection(*section, runs);
    if (const auto* block = dynamic_cast<const TBlock*>(object)) CheckCell(*block->MyCell, runs);
    if (const auto* table = dynamic_cast<const ThtmlTable*>(object))
      for (int r = 0; r < table->Rows.Count(); ++r)
        for (int c = 0; c < table->Rows[r]->Count(); ++c) CheckCell(*(*table->Rows[r])[c]->Cell, runs);
  }
}

// Lays the document out at width, paints it, and asks it about points, positions and its text.
void LayOutAndAsk(TSectionList& list, int32_t width) {
  pf::TBitmap bitmap(64, 64, pf::pf24bit);
  pf::TCanvas& canvas = bitmap.Canvas();
  int32_t maxWidth = 0;
  const int32_t height = list.ComputeLayout(canvas, pf::TRect{0, 0, width, 400}, maxWidth);
  Trap(height < 0);
  for (int32_t top : {0, height / 2}) {
    list.YOff = top;
    list.Paint(canvas, pf::TRect{0, 0, 64, 64}, 0);
  }
  list.YOff = 0;
  for (int32_t y = 0; y < height; y += 1 + height / 8) {
    std::unique_ptr<TUrlTarget> target;
    TFormControlObj* control = nullptr;
    std::string title;
    list.GetLinkAt(canvas, width / 2, y, target, control, title);
    bool inText = false;
    int32_t lineHeight = 0, lineTop = 0, caretX = 0, position = 0;
    list.GetPositionAtPoint(canvas, width / 3, y, inText, lineHeight, lineTop, caretX);
    list.FindObjectAt(width / 4, y, position);
  }
  list.SelB = 0;
  list.SelE = list.Len;
  const int32_t count = list.CountSelectedChars();
  std::u16string copied(static_cast<size_t>(count + 1), u'\0');
  Trap(list.CopySelectedTextToBuffer(copied.data(), count + 1) > count + 1);
  list.SearchForward(0, u"a", false);
  list.SearchBackward(list.Len, u"a", false);
  int32_t x = 0, y = 0;
  list.GetPositionXY(canvas, list.Len / 2, x, y);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool fixedFonts = (pf::SetFontService(pf::CreateFixedMetricFontService()), true);
  (void)fixedFonts;
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const std::string document(reinterpret_cast<const char*>(data) + 1, size - 1);
  FuzzViewer viewer;
  TSectionList list(mode & kNoViewer ? nullptr : &viewer, nullptr);
  list.ApplyDefaultFontsAndColors("Times New Roman", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, false,
                                  pf::clBtnFace, 0xFF0000, 0x800080, 0xFF0000, pf::clBtnText, 12);
  auto include = [](pf::TObject*, const std::string&, pf::TStringList&, std::string& text) { text = "<b>i</b>"; };
  auto any = [](auto&&...) {};
  TParseResult result;
  try {
    if (mode & kPlainText)
      ParsePlainTextDocument(document, list);
    else
      ParseHtmlDocument(document, list, include, any, any, any, result);
  } catch (const pf::Exception&) {
  }
  std::set<const TFontObj*> runs;
  CheckCell(list, runs);
  for (const TFontObj* link : list.LinkList) Trap(!runs.count(link) || link->UrlTarget.Url.empty());
  if (mode & kLayout) LayOutAndAsk(list, 20 * (mode >> 3));
  return 0;
}
