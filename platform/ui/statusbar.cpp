// TStatusBarControl: parts, texts, bevels, the size grip and the program's drawing of parts.
#include "platform/ui/statusbar.h"

#include <QSizeGrip>
#include <algorithm>

#include "platform/ui/forms.h"
#include "platform/ui/host_qt.h"

namespace pf {

namespace {
constexpr int32_t kTopBorder = 2;  // above every part
constexpr int32_t kPartGap = 2;    // between a part's right edge and the next part
constexpr int32_t kTextInset = 2;  // between the bevel and a part's text
constexpr int kGripSize = 16;
}  // namespace

TStatusBarControl::TStatusBarControl(TComponent* owner) : TCustomControl(owner) {
  SetColor(clBtnFace);
  SetAlign(alBottom);
  SetHeight(kStatusBarHeight);
  auto* grip = new QSizeGrip(Host()->inner);
  grip->resize(kGripSize, kGripSize);
  grip->hide();
}

void TStatusBarControl::SetParts(const std::vector<int32_t>& rightEdges) {
  edges_.assign(rightEdges.begin(), rightEdges.begin() + std::min<ptrdiff_t>(rightEdges.size(), kMaxStatusBarParts));
  if (edges_.empty()) edges_.push_back(-1);
  texts_.resize(edges_.size());
  Invalidate();
}

const TStatusBarControl::PartEntry* TStatusBarControl::TextOf(int part) const {
  if (part == SB_SIMPLEID) return &simpleText_;
  if (part < 0 || part >= PartCount()) return nullptr;
  return &texts_[static_cast<size_t>(part)];
}

void TStatusBarControl::SetPartText(int part, const std::string& text, uint32_t flags) {
  auto* entry = const_cast<PartEntry*>(TextOf(part));
  if (entry == nullptr) return;
  entry->text = text;
  entry->flags = flags;
  if ((part == SB_SIMPLEID) == simple_) InvalidateRect(PartRect(part));
}

std::string TStatusBarControl::PartText(int part) const {
  const PartEntry* entry = TextOf(part);
  return entry != nullptr ? entry->text : std::string();
}

uint32_t TStatusBarControl::PartFlags(int part) const {
  const PartEntry* entry = TextOf(part);
  return entry != nullptr ? entry->flags : 0;
}

void TStatusBarControl::SetSimple(bool value) {
  if (simple_ == value) return;
  simple_ = value;
  Invalidate();
}

TRect TStatusBarControl::PartRect(int part) const {
  const int32_t width = ClientWidth(), height = ClientHeight();
  if (part == SB_SIMPLEID) return {0, kTopBorder, width, height};
  if (part < 0 || part >= PartCount()) return {};
  auto right = [&](int i) {
    const int32_t edge = edges_[static_cast<size_t>(i)];
    return edge < 0 || edge > width ? width : edge;
  };
  const int32_t left = part == 0 ? 0 : std::min(right(part - 1) + kPartGap, width);
  return {left, kTopBorder, std::max(left, right(part)), height};
}

TRect TStatusBarControl::PartContentRect(int part) const {
  TRect r = PartRect(part);
  if ((PartFlags(part) & SBT_NOBORDERS) == 0) r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  return r;
}

int TStatusBarControl::PartAt(const TPoint& point) const {
  if (simple_) return PtInRect(PartRect(SB_SIMPLEID), point) ? SB_SIMPLEID : -1;
  for (int i = 0; i < PartCount(); ++i)
    if (PtInRect(PartRect(i), point)) return i;
  return -1;
}

void TStatusBarControl::SetSizeGrip(bool value) {
  sizeGrip_ = value;
  PlaceGrip();
}

bool TStatusBarControl::GripShown() const {
  const auto* form = dynamic_cast<const TCustomForm*>(Parent());
  return sizeGrip_ && form != nullptr && (form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin);
}

void TStatusBarControl::PlaceGrip() {
  auto* grip = Host()->inner->findChild<QSizeGrip*>();
  if (grip == nullptr) return;
  grip->move(ClientWidth() - kGripSize, ClientHeight() - kGripSize);
  grip->setVisible(GripShown());
}

void TStatusBarControl::Resize() {
  PlaceGrip();
  TCustomControl::Resize();
}

void TStatusBarControl::PaintPart(int part) {
  TCanvas& canvas = Canvas();
  const TRect r = PartRect(part);
  if (IsRectEmpty(r)) return;
  const uint32_t flags = PartFlags(part);
  if ((flags & SBT_NOBORDERS) == 0) {
    TRect frame = r;
    const bool raised = (flags & SBT_POPOUT) != 0;
    Frame3D(canvas, frame, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, 1);
  }
  const TRect content = PartContentRect(part);
  const int saved = canvas.SaveDC();
  canvas.IntersectClipRect(content.Left, content.Top, content.Right, content.Bottom);
  if ((flags & SBT_OWNERDRAW) != 0) {
    if (OnDrawPart) OnDrawPart(*this, canvas, part, content);
  } else {
    std::string text = PartText(part);
    uint32_t format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (text.rfind("\t\t", 0) == 0)
      format |= DT_RIGHT, text.erase(0, 2);
    else if (text.rfind('\t', 0) == 0)
      format |= DT_CENTER, text.erase(0, 1);
    TRect box{content.Left + kTextInset, content.Top, content.Right - kTextInset, content.Bottom};
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().Assign(Font());
    canvas.DrawText(text, box, format);
  }
  canvas.RestoreDC(saved);
}

void TStatusBarControl::Paint() {
  PlaceGrip();
  if (simple_) {
    PaintPart(SB_SIMPLEID);
  } else {
    for (int i = 0; i < PartCount(); ++i) PaintPart(i);
  }
  TCustomControl::Paint();
}

}  // namespace pf
