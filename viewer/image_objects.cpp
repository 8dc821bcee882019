// The pictures of the text: reading IMG elements and their style, fetching and sizing the picture, painting it
// with its frame or a placeholder box, and the hit tests of a section's pictures.
#include <algorithm>
#include <cstdlib>

#include "platform/core/mathutil.h"
#include "platform/core/strings.h"
#include "viewer/animated_images.h"
#include "viewer/borders.h"
#include "viewer/font_runs.h"
#include "viewer/image_cache.h"
#include "viewer/image_map.h"
#include "viewer/section_list.h"
#include "viewer/style_properties.h"

namespace viewer {

namespace {

constexpr int32_t kFloatSpace = 3;  // the default space beside a floating picture
constexpr int32_t kMaxPercent = 100;

uint8_t AlignCode(const std::string& text, uint8_t current) {
  const std::string align = pf::UpperCase(pf::Trim(text));
  if (align == "TOP") return 1;
  if (align == "MIDDLE" || align == "ABSMIDDLE") return 2;
  if (align == "LEFT") return 5;
  if (align == "RIGHT") return 6;
  return current;
}

// A size attribute: pixels, or a percentage 0..100 when it holds "%"; -1 otherwise.
void ReadSize(const TAttribute& a, int32_t& size, bool& percent) {
  percent = a.Text.find('%') != std::string::npos;
  size = !percent || (a.Value >= 0 && a.Value <= kMaxPercent) ? BoundLength(a.Value) : -1;
  if (size < 0) percent = false;
}

// A size of the style: pixels, a percentage with its flag, -1 for "auto"; unchanged when the style gives none.
void ReadStyleSize(const TPropValue& value, int32_t pixels, int32_t& size, bool& percent) {
  if (!IsAssigned(value) || IntOf(value, 0) == UnsetBoxValue) return;
  percent = IsString(value) && StringOf(value).find('%') != std::string::npos;
  if (percent)
    size = LengthToPixels(StringOf(value), false, kMaxPercent, -1, 0, 0);
  else
    size = pixels == AutoValue ? -1 : pixels;
}

}  // namespace

// ---- pictures ----

TImageObj::TImageObj(TSectionList* masterList, int32_t position, const TAttributeList& attributes)
    : MasterList(masterList) {
  Pos = position;
  bool spaceGiven = false;
  for (int i = 0; i < attributes.Count(); ++i) {
    const TAttribute& a = *attributes[i];
    switch (a.Which) {
      case SrcSy:
        Source = pf::Trim(a.Text);
        break;
      case AlignSy:
        Floating = AlignCode(a.Text, Floating);
        break;
      case WidthSy:
        ReadSize(a, SpecWidth, PercentWidth);
        break;
      case HeightSy:
        ReadSize(a, SpecHeight, PercentHeight);
        break;
      case HSpaceSy:
        HSpaceL = HSpaceR = BoundLength(std::abs(int64_t{a.Value}));
        spaceGiven = true;
        break;
      case VSpaceSy:
        VSpaceT = VSpaceB = BoundLength(std::abs(int64_t{a.Value}));
        break;
      case BorderSy:
        BorderSize = BoundLength(std::max(0, a.Value));
        BorderGiven = true;
        break;
      case UseMapSy:
        MapName = a.Text.starts_with('#') ? a.Text.substr(1) : a.Text;
        UseMap = true;
        break;
      case IsMapSy:
        IsMap = true;
        break;
      case AltSy:
        Alt = a.Text;
        AltWide = AnsiToWideInCodePage(a.Text, a.CodePage);
        break;
      case TitleSy:
        Title = a.Text;
        break;
      default:
        break;
    }
  }
  if (!spaceGiven && (Floating == 5 || Floating == 6)) HSpaceL = HSpaceR = kFloatSpace;
}

std::unique_ptr<TImageObj> TImageObj::CreateFromUrl(TSectionList* masterList, const std::string& url) {
  auto image = std::make_unique<TImageObj>(masterList, 0, TAttributeList());
  image->Source = pf::Trim(url);
  return image;
}

TImageObj::TImageObj(TSectionList* masterList, const TImageObj& source)
    : TFloatingObj(source),
      Source(source.Source),
      Image(source.Image),
      Mask(source.Mask),
      Transparent(source.Transparent),
      BorderSize(source.BorderSize),
      BorderGiven(source.BorderGiven),
      MapName(source.MapName),
      UseMap(source.UseMap),
      IsMap(source.IsMap),
      Visible(source.Visible),
      MasterList(masterList) {
  SpecWidth = source.SpecWidth;
  SpecHeight = source.SpecHeight;
  PercentWidth = source.PercentWidth;
  PercentHeight = source.PercentHeight;
  SizeFixed = source.SizeFixed;
  Title = source.Title;
  if (source.OwnGif) {  // a still copy: print copies never animate
    OwnGif = source.OwnGif->CreateCopy();
    OwnGif->SetCurrentFrame(source.OwnGif->CurrentFrame());
    Image = OwnGif.get();
  }
  int index = -1;
  TStringBitmapList* cache = MasterList ? MasterList->BitmapList : nullptr;
  if (!source.CacheKey.empty() && cache && cache->Find(source.CacheKey, index)) {
    cache->UseImage(index);
    CacheKey = source.CacheKey;
  }
}

TImageObj::~TImageObj() { ReleasePicture(); }

void TImageObj::ReleasePicture() {
  if (OwnGif) {
    std::erase(MasterList->AGifList, OwnGif.get());
    OwnGif.reset();
  }
  for (int i = MasterList->MissingImages.Count() - 1; i >= 0; --i)
    if (MasterList->MissingImages.GetObject(i) == this) MasterList->MissingImages.Delete(i);
  if (!CacheKey.empty() && MasterList->BitmapList) MasterList->BitmapList->ReleaseUsage(CacheKey);
  CacheKey.clear();
  Image = std::monostate();
  Mask = nullptr;
  Transparent = tkNone;
  Delayed = false;
}

void TFloatingObj::ApplyStyleProperties(TProperties& prop) {
  int align = 0;
  if (prop.GetFloat(align) && align != 0)
    Floating = static_cast<uint8_t>(align);
  else if (prop.GetVerticalAlign(align) && align >= 1 && align <= 4)
    Floating = static_cast<uint8_t>(align);
  if (!prop.PropTitle.empty()) Title = prop.PropTitle;
  const TBoxVariantArray values = prop.GetBoxVariants();
  TBoxIntArray box;
  ConvertInlineBoxValues(values, 0, 0, prop.EmSize, prop.ExSize, box);
  const bool bordered = prop.GetBorderStyle() != 0;
  ApplyInlineSpaces(box, bordered, HSpaceL, HSpaceR, VSpaceT, VSpaceB);
  if (bordered) BorderID = prop.Sequence;
  ReadStyleSize(values[piWidth], box[piWidth], SpecWidth, PercentWidth);
  ReadStyleSize(values[piHeight], box[piHeight], SpecHeight, PercentHeight);
}

void TImageObj::ApplyStyleProperties(TProperties& prop) {
  TFloatingObj::ApplyStyleProperties(prop);
  Visible = prop.GetVisibility() != 1;
}

// ---- fetching and sizing ----

namespace {

constexpr int32_t kPlaceholderSide = 24;      // the smallest placeholder box
constexpr int32_t kPlaceholderTextLeft = 24;  // the alternative text starts this far right of the box's left edge
constexpr int32_t kPlaceholderExtra = 26;     // the box is the text width and this wide
constexpr int32_t kPlaceholderInset = 4;      // where the placeholder bitmap stands in the box
constexpr int32_t kAltTextPoints = 8;
constexpr const char* kAltTextFont = "Arial";
constexpr int32_t kPercent = 100;

// The canvas's font is the alternative text's while the object lives.
class AltTextFont {
 public:
  explicit AltTextFont(pf::TCanvas& canvas) : canvas_(canvas) {
    saved_.Assign(canvas.Font());
    canvas.Font().SetName(kAltTextFont);
    canvas.Font().SetSize(kAltTextPoints);
    canvas.Font().SetStyle({});
    canvas.Font().SetColor(pf::clBlack);
  }
  ~AltTextFont() { canvas_.Font().Assign(saved_); }

 private:
  pf::TCanvas& canvas_;
  pf::TFont saved_;
};

// A given side: pixels, or a percentage of the room less the border (never below 0); -1 when not given.
int32_t GivenSide(int32_t spec, bool percent, int32_t room, int32_t border) {
  if (spec < 0) return -1;
  return percent ? std::max(0, pf::MulDiv(room - 2 * border, spec, kPercent)) : spec;
}

}  // namespace

bool TImageObj::IsPlaceholder() const {
  auto* bitmap = std::get_if<pf::TBitmap*>(&Image);
  return IsEmpty(Image) || (bitmap && *bitmap && *bitmap == DefBitmap()) || IsErrorPicture();
}

bool TImageObj::IsErrorPicture() const {
  auto* bitmap = std::get_if<pf::TBitmap*>(&Image);
  return bitmap && *bitmap && *bitmap == ErrorBitmap();
}

void TImageObj::Fetch() {
  TSectionList& document = *MasterList;
  std::string name = Source;
  if (!document.OnBitmapRequest && !document.OnImageRequest) {
    if (document.TheOwner) name = document.TheOwner->ExpandFileName(Source);
  } else if (document.OnExpandName) {
    document.OnExpandName(document.TheOwner ? document.TheOwner->Sender() : nullptr, Source, name);
  }
  const std::string key = ImageCacheKey(name);
  Delayed = document.MissingImages.IndexOf(key) >= 0;
  if (!Delayed) {
    TTransparency transparency = tkNone;
    pf::TBitmap* mask = nullptr;
    bool fromCache = false;
    TImageRef picture = FetchImage(document, name, mrNone, transparency, mask, fromCache, Delayed);
    if (!IsEmpty(picture)) {
      CacheKey = key;
      if (auto* gif = std::get_if<TgfAnimatedImage*>(&picture)) {  // each place animates on its own
        OwnGif = (*gif)->CreateCopy();
        document.AGifList.push_back(OwnGif.get());
        picture = OwnGif.get();
      }
      Image = picture;
      Mask = mask;
      Transparent = transparency;
      return;
    }
  }
  if (Delayed) {
    Image = DefBitmap() ? TImageRef(DefBitmap()) : TImageRef();
    Mask = nullptr;
    Transparent = tkNone;
    document.MissingImages.AddObject(key, this);
  } else {
    Image = ErrorBitmap() ? TImageRef(ErrorBitmap()) : TImageRef();
    Mask = ErrorBitmapMask();
    Transparent = tkOwnMask;
  }
}

void TImageObj::ComputeSize(pf::TCanvas& canvas, int32_t availHeight, int32_t availWidth, TFontObj* linkRun) {
  if (MasterList->ShowImages && IsEmpty(Image) && !Source.empty()) Fetch();
  if (linkRun && !linkRun->GetLinkURL().empty() && !BorderGiven) BorderSize = std::max(BorderSize, 1);
  const int32_t heightRoom = availHeight != 0 ? availHeight : availWidth;
  if (MasterList->ShowImages && !IsPlaceholder())
    SizeFromPicture(availWidth, heightRoom, BorderSize);
  else  // nothing is kept in the picture's place, so that showing images again fetches it
    SizePlaceholder(canvas, availWidth, heightRoom, BorderSize);
  ObjWidth += 2 * BorderSize;
  ObjHeight += 2 * BorderSize;
}

void TImageObj::SizeFromPicture(int32_t availWidth, int32_t availHeight, int32_t border) {
  const int32_t pw = BoundLength(QueryImageWidth(Image)), ph = BoundLength(QueryImageHeight(Image));
  ImageWidth = pw;
  ImageHeight = ph;
  SizeFixed = false;
  const int32_t w = GivenSide(SpecWidth, PercentWidth, availWidth, border);
  const int32_t h = GivenSide(SpecHeight, PercentHeight, availHeight, border);
  if (pw <= 0 || ph <= 0) {  // nothing to scale by: sides of 0 are given or none
    ObjWidth = std::max(w, 0);
    ObjHeight = std::max(h, 0);
  } else if (w >= 0 && h >= 0) {
    ObjWidth = w;
    ObjHeight = h;
    SizeFixed = !PercentWidth && !PercentHeight;
  } else if (w >= 0) {
    ObjWidth = w;
    ObjHeight = BoundLength(Scaled(w, ph, pw));
  } else if (h >= 0) {
    ObjHeight = h;
    ObjWidth = BoundLength(Scaled(h, pw, ph));
  } else {
    ObjWidth = pw;
    ObjHeight = ph;
  }
}

void TImageObj::SizePlaceholder(pf::TCanvas& canvas, int32_t availWidth, int32_t availHeight, int32_t border) {
  SizeFixed = false;
  int32_t boxWidth = kPlaceholderSide, boxHeight = kPlaceholderSide;
  if (!AltWide.empty()) {
    AltTextFont font(canvas);
    pf::TRect r;
    canvas.DrawTextW(AltWide, r, pf::DT_CALCRECT | pf::DT_NOPREFIX);
    boxWidth = r.Width() + kPlaceholderExtra;
    boxHeight = std::max(kPlaceholderSide, r.Height());
  }
  const int32_t w = GivenSide(SpecWidth, PercentWidth, availWidth, border);
  const int32_t h = GivenSide(SpecHeight, PercentHeight, availHeight, border);
  ObjWidth = w >= 0 ? w : boxWidth;
  ObjHeight = h >= 0 ? h : boxHeight;
}

std::unique_ptr<TFloatingObj> TImageObj::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TImageObj>(ownerList, *this);
}

void TImageObj::SetHoverState(uint8_t state) { HoverState = state; }

// ---- painting ----

int32_t TImageObj::DrawnTop(int32_t topY, int32_t yBaseline, const TFontObj* run) const {
  if (Floating == 1 || Floating == 5 || Floating == 6) return topY + VSpaceT;
  if (Floating == 2) return yBaseline - (run ? run->tmHeight : 0) / 2 - ObjHeight / 2;
  return yBaseline - VSpaceB - ObjHeight;
}

void TImageObj::Paint(pf::TCanvas& canvas, int32_t x, int32_t topY, int32_t yBaseline, const TFontObj* run) {
  if (!Visible) return;
  const int32_t left = x + HSpaceL, top = DrawnTop(topY, yBaseline, run);
  DrawXX = left + MasterList->XOff;
  DrawYY = top + MasterList->YOff;
  DrawImage(canvas, left + BorderSize, top + BorderSize);
  const pf::TRect box = pf::Rect(left, top, left + ObjWidth, top + ObjHeight);
  if (BorderSize > 0) {
    const pf::TColor color = run && run->TheFont ? run->TheFont->Color() : pf::clBlack;
    const int32_t b = BorderSize;
    FillRectWithColor(canvas, box.Left, box.Top, box.Right, box.Top + b, color);
    FillRectWithColor(canvas, box.Left, box.Bottom - b, box.Right, box.Bottom, color);
    FillRectWithColor(canvas, box.Left, box.Top + b, box.Left + b, box.Bottom - b, color);
    FillRectWithColor(canvas, box.Right - b, box.Top + b, box.Right, box.Bottom - b, color);
  }
  if (run && run->Active && !run->GetLinkURL().empty() && !MasterList->Printing) canvas.DrawFocusRect(box);
}

void TImageObj::DrawImage(pf::TCanvas& canvas, int32_t x, int32_t y) {
  const int32_t w = ObjWidth - 2 * BorderSize, h = ObjHeight - 2 * BorderSize;
  if (w <= 0 || h <= 0) return;
  if (IsPlaceholder() || !MasterList->ShowImages)
    DrawPlaceholder(canvas, x, y, w, h);
  else
    DrawPicture(canvas, Image, Mask, x, y, w, h, MasterList->Printing, MasterList->ScaleX, MasterList->ScaleY);
}

void TImageObj::DrawPlaceholder(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h) {
  const int saved = canvas.SaveDC();
  canvas.IntersectClipRect(x, y, x + w, y + h);
  // The wait or error picture that stands in, or the error picture for one not fetched (images off, no source).
  auto* const* shown = std::get_if<pf::TBitmap*>(&Image);
  pf::TBitmap* icon = IsEmpty(Image) ? ErrorBitmap() : shown && IsPlaceholder() ? *shown : nullptr;
  if (icon) {
    const int32_t at = kPlaceholderInset;
    DrawPicture(canvas, icon, icon == ErrorBitmap() ? ErrorBitmapMask() : nullptr, x + at, y + at, icon->Width(),
                icon->Height(), MasterList->Printing);
  }
  DrawBevelForDocument(*MasterList, canvas, pf::Rect(x, y, x + w, y + h), 1, false);
  if (!AltWide.empty()) {
    AltTextFont font(canvas);
    const int oldMode = canvas.SetBkMode(pf::TRANSPARENT);
    pf::TRect text = pf::Rect(x + kPlaceholderTextLeft, y, x + w, y + h);
    canvas.DrawTextW(AltWide, text, pf::DT_WORDBREAK | pf::DT_NOPREFIX);
    canvas.SetBkMode(oldMode);
  }
  canvas.RestoreDC(saved);
}

// ---- the pictures of a section ----

void TImageObjList::CreateClone(TSectionList* ownerList, const TImageObjList& source) {
  for (int i = 0; i < source.Count(); ++i) Add(source[i]->CreateClone(ownerList));
}

TFloatingObj* TImageObjList::FindImage(int32_t pos) const {
  for (int i = 0; i < Count(); ++i)
    if ((*this)[i]->Pos == pos) return (*this)[i];
  return nullptr;
}

int32_t TImageObjList::GetImageCountAt(int32_t pos) const {
  constexpr int32_t kNone = 99999999;
  int32_t count = kNone;
  for (int i = 0; i < Count(); ++i)
    if ((*this)[i]->Pos >= pos) count = std::min(count, (*this)[i]->Pos - pos);
  return count;
}

void TImageObjList::DecPositionsAfter(int32_t pos) {
  RemapPositions([pos](int32_t p) { return p > pos ? p - 1 : p; });
}

int32_t TImageObjList::GetHeightAt(int32_t pos, uint8_t& align, TFloatingObj*& object) const {
  object = FindImage(pos);
  if (!object) return -1;
  align = object->Floating;
  return object->ObjHeight + object->VSpaceT + object->VSpaceB;
}

int32_t TImageObjList::GetWidthAt(int32_t pos, uint8_t& align, int32_t& hSpaceLeft, int32_t& hSpaceRight,
                                  TFloatingObj*& object) const {
  object = FindImage(pos);
  if (!object) return -1;
  align = object->Floating;
  hSpaceLeft = object->HSpaceL;
  hSpaceRight = object->HSpaceR;
  return object->ObjWidth;
}

namespace {

// The first visible picture of the list whose area inside its frame, where it was last drawn, holds the point.
TImageObj* PictureAt(const TImageObjList& list, int32_t x, int32_t y, int32_t& ix, int32_t& iy) {
  for (int i = 0; i < list.Count(); ++i) {
    auto* image = dynamic_cast<TImageObj*>(list[i]);
    if (!image || !image->Visible) continue;
    const int32_t b = image->BorderSize;
    const int32_t left = image->DrawXX + b, top = image->DrawYY + b;
    if (x >= left && x < image->DrawXX + image->ObjWidth - b && y >= top && y < image->DrawYY + image->ObjHeight - b) {
      ix = x - left;
      iy = y - top;
      return image;
    }
  }
  return nullptr;
}

}  // namespace

bool TImageObjList::PtInImage(int32_t x, int32_t y, int32_t& ix, int32_t& iy, TFloatingObj*& object, bool& isMap,
                              const TMapItem*& map, bool& usesMap) const {
  TImageObj* image = PictureAt(*this, x, y, ix, iy);
  if (!image) return false;
  object = image;
  isMap = image->IsMap;
  usesMap = image->UseMap;
  map = nullptr;
  if (usesMap)
    for (int i = 0; i < image->MasterList->MapList.Count() && !map; ++i)
      if (pf::SameText(image->MasterList->MapList[i]->MapName, image->MapName)) map = image->MasterList->MapList[i];
  return true;
}

bool TImageObjList::PtInObject(int32_t x, int32_t y, TFloatingObj*& object, int32_t& iy) const {
  int32_t ix = 0;
  TImageObj* image = PictureAt(*this, x, y, ix, iy);
  if (image) object = image;
  return image != nullptr;
}

}  // namespace viewer
