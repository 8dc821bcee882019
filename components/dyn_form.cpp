// Form shadow and client texture.
#include "components/dyn_form.h"

#include <algorithm>

#include "platform/core/exceptions.h"

namespace components {

namespace {

// Destination AND pattern.
constexpr pf::TCopyMode kPatternAnd = 0x00A000C9;
constexpr int kPatternSize = 8;
constexpr uint8_t kPatternRows[2] = {0x55, 0xAA};

// The checkerboard: rows alternate 55 and AA (1 bits white, 0 bits black).
void MakePattern(pf::TBitmap& pattern) {
  pattern.SetSize(kPatternSize, kPatternSize);
  pattern.SetMonochrome(true);
  for (int y = 0; y < kPatternSize; ++y)
    for (int x = 0; x < kPatternSize; ++x)
      pattern.SetPixel(x, y, (kPatternRows[y % 2] >> (7 - x)) & 1 ? pf::clWhite : pf::clBlack);
}

int32_t FloorMod(int32_t value, int32_t size) { return ((value % size) + size) % size; }

}  // namespace

// ---- Settings

void TDynShadow::Assign(const pf::TPersistent& source) {
  if (const auto* s = dynamic_cast<const TDynShadow*>(&source)) {
    style_ = s->style_;
    pos_ = s->pos_;
    width_ = s->width_;
    color_ = s->color_;
    if (OnChange) OnChange();
    return;
  }
  pf::TPersistent::Assign(source);
}

void TDynShadow::SetStyle(TDynShadowStyle value) {
  style_ = value;
  if (OnChange) OnChange();
}
void TDynShadow::SetPos(int32_t value) {
  pos_ = value;
  if (OnChange) OnChange();
}
void TDynShadow::SetWidth(int32_t value) {
  width_ = value;
  if (OnChange) OnChange();
}
void TDynShadow::SetColor(pf::TColor value) {
  color_ = value;
  if (OnChange) OnChange();
}

TDynTexture::TDynTexture() {
  bitmap_.OnChange = [this](pf::TPersistent&) { Changed(); };
}

void TDynTexture::Assign(const pf::TPersistent& source) {
  if (const auto* t = dynamic_cast<const TDynTexture*>(&source)) {
    x_ = t->x_;
    y_ = t->y_;
    bitmap_.Assign(t->bitmap_);
    Changed();
    return;
  }
  pf::TPersistent::Assign(source);
}

void TDynTexture::SetX(int32_t value) {
  x_ = value;
  Changed();
}
void TDynTexture::SetY(int32_t value) {
  y_ = value;
  Changed();
}

// ---- The strips

void TShadowStrip::WndProc(pf::TMessage& message) {
  switch (message.Msg) {
    case pf::WM_SETFOCUS:
      // The focus goes back to the form.
      if (pf::TCustomForm* form = OwnerForm(); form != nullptr && form->ActiveControl() != nullptr)
        form->FocusControl(form->ActiveControl());
      return;
    case pf::WM_ERASEBKGND:
      if (pf::TCanvas* canvas = pf::MessageCanvas(message)) {
        pf::TBitmap pattern;
        MakePattern(pattern);
        canvas->Pen().SetStyle(pf::psClear);
        canvas->Brush().SetBitmap(&pattern);
        canvas->SetTextColor(pf::clBlack);
        canvas->SetBkColor(pf::clWhite);
        pf::PatBlt(*canvas, 0, 0, Width(), Height(), kPatternAnd);
        canvas->Brush().SetBitmap(nullptr);
      }
      message.Result = -1;
      return;
    case pf::WM_PAINT:
      return;
    default:
      pf::TPopupWindow::WndProc(message);
  }
}

// ---- TDynForm

TDynForm::TDynForm(pf::TComponent* owner) : pf::TComponent(owner), form_(dynamic_cast<pf::TCustomForm*>(owner)) {
  if (form_ == nullptr) throw pf::EInvalidCast("TForm(Owner)");
  if (form_->Parent() != nullptr) throw pf::EInvalidCast("MDIChild(Owner)");
  shadow_.OnChange = [this] { ShadowChanged(); };
  texture_.OnChange = [this] { form_->Invalidate(); };
  right_ = new TShadowStrip(this, form_);
  bottom_ = new TShadowStrip(this, form_);
  for (TShadowStrip* strip : {right_, bottom_}) strip->SetColor(pf::clBtnShadow);
  ShadowChanged();
  hook_ = form_->AddMessageHook(
      [this](pf::TMessage& message, const pf::TWndMethod& previous) { FormMessage(message, previous); });
}

TDynForm::~TDynForm() {
  state_ |= pf::csDestroying;
  DestroyStrips();
  if (form_->Destroying()) return;
  form_->RemoveMessageHook(hook_);
  if ((ComponentState() & pf::csDesigning) != 0) form_->Invalidate();
}

void TDynForm::DestroyStrips() {
  delete right_;
  delete bottom_;
  right_ = bottom_ = nullptr;
}

void TDynForm::ShadowChanged() {
  for (TShadowStrip* strip : {right_, bottom_}) {
    if (strip == nullptr) continue;
    strip->ShadowStyle = shadow_.style_;
    strip->ShadowColor = shadow_.color_;
  }
  PlaceStrips();
  for (TShadowStrip* strip : {right_, bottom_})
    if (strip != nullptr) strip->Invalidate();
}

void TDynForm::PlaceStrips() {
  if (right_ == nullptr) return;
  const pf::TRect r = form_->BoundsRect();
  const int32_t pos = shadow_.pos_, width = shadow_.width_;
  right_->SetBounds(r.Right, r.Top + pos, width, r.Bottom - r.Top - pos);
  bottom_->SetBounds(r.Left + pos, r.Bottom, r.Right - r.Left + width - pos, width);
}

void TDynForm::ShowStrips(bool show) {
  for (TShadowStrip* strip : {right_, bottom_})
    if (strip != nullptr) strip->SetVisible(show);
}

bool TDynForm::StripsWanted() const {
  return form_->Visible() && form_->Active() && form_->WindowState() == pf::wsNormal && shadow_.style_ != ssNone;
}

bool TDynForm::EraseWithTexture(pf::TMessage& message) {
  pf::TBitmap& bitmap = texture_.Bitmap();
  pf::TCanvas* canvas = pf::MessageCanvas(message);
  if (canvas == nullptr || form_->WindowState() == pf::wsMinimized || bitmap.Empty()) return false;
  pf::TRect area = canvas->ClipRect();
  if (pf::IsRectEmpty(area)) area = form_->ClientRect();
  area.Left -= FloorMod(area.Left, bitmap.Width());
  area.Top -= FloorMod(area.Top, bitmap.Height());
  // The client area does not scroll: the tiling starts at the client origin moved by the texture's offset.
  TileBitmap(*canvas, area, bitmap, texture_.X(), texture_.Y());
  message.Result = 1;
  return true;
}

void TDynForm::FormMessage(pf::TMessage& message, const pf::TWndMethod& previous) {
  // WM_DESTROY comes while the form is being destroyed: the form is asked nothing then.
  const auto restored = [this] { return form_->WindowState() == pf::wsNormal; };
  switch (message.Msg) {
    case pf::WM_NCLBUTTONDOWN:
      // The start of a move or size by the mouse: no shadow until it ends.
      ShowStrips(false);
      dragStyle_ = shadow_.style_;
      shadow_.style_ = ssNone;
      dragging_ = true;
      [[fallthrough]];
    case pf::WM_NCLBUTTONUP:
    case pf::WM_MOUSEMOVE:
    case pf::WM_LBUTTONUP:
    case pf::WM_NCHITTEST:
    case pf::WM_NCMOUSEMOVE:
      previous(message);
      if (dragging_) {
        dragging_ = false;
        shadow_.style_ = dragStyle_;
        if (StripsWanted()) ShowStrips(true);
      }
      return;
    case pf::WM_ENTERSIZEMOVE:
      // The window system moves or sizes the form under the mouse (the layer's counterpart of the modal loop that
      // WM_NCLBUTTONDOWN runs elsewhere): no shadow until it ends, then at the new place.
      previous(message);
      if (dragging_ || moving_) return;
      ShowStrips(false);
      dragStyle_ = shadow_.style_;
      shadow_.style_ = ssNone;
      moving_ = true;
      return;
    case pf::WM_EXITSIZEMOVE:
      previous(message);
      if (!moving_) return;
      moving_ = false;
      shadow_.style_ = dragStyle_;
      PlaceStrips();
      if (StripsWanted()) ShowStrips(true);
      return;
    case pf::WM_ERASEBKGND:
      if (!EraseWithTexture(message)) previous(message);
      return;
    case pf::WM_DESTROY:
      previous(message);
      DestroyStrips();
      return;
    case pf::WM_MOVE:
    case pf::WM_SIZE:
      previous(message);
      if (message.Msg == pf::WM_SIZE && message.WParam != pf::SIZE_RESTORED) {
        ShowStrips(false);
        return;
      }
      PlaceStrips();
      ShowStrips(StripsWanted());
      return;
    case pf::WM_ACTIVATE:
      previous(message);
      ShowStrips(pf::LOWORD(message.WParam) != pf::WA_INACTIVE && restored() && shadow_.style_ != ssNone);
      return;
    case pf::WM_ACTIVATEAPP:
      previous(message);
      ShowStrips(message.WParam != 0 && form_->Active() && restored() && shadow_.style_ != ssNone);
      return;
    case pf::WM_CLOSE:
      previous(message);
      ShowStrips(false);
      return;
    default:
      previous(message);
  }
}

void TileBitmap(pf::TCanvas& canvas, const pf::TRect& area, pf::TBitmap& bitmap, int32_t x, int32_t y) {
  const int32_t bw = bitmap.Width(), bh = bitmap.Height();
  if (bw <= 0 || bh <= 0 || pf::IsRectEmpty(area)) return;
  const int32_t ox = FloorMod(x, bw), oy = FloorMod(y, bh);
  pf::TBitmap row(area.Width(), bh, pf::pf24bit);
  for (int32_t dx = 0, sx = ox; dx < area.Width(); dx += bw - sx, sx = 0)
    pf::BitBlt(row.Canvas(), dx, 0, bw - sx, bh, &bitmap.Canvas(), sx, 0, pf::SRCCOPY);
  for (int32_t dy = 0, sy = oy; dy < area.Height(); dy += bh - sy, sy = 0)
    pf::BitBlt(canvas, area.Left, area.Top + dy, area.Width(), std::min(bh - sy, area.Height() - dy), &row.Canvas(), 0,
               sy, pf::SRCCOPY);
}

}  // namespace components
