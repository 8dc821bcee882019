#include "viewer/image_cache.h"

#include <cstdlib>

#include "platform/core/strings.h"
#include "viewer/font_runs.h"
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
  size = !percent || (a.Value >= 0 && a.Value <= kMaxPercent) ? a.Value : -1;
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
        HSpaceL = HSpaceR = std::abs(a.Value);
        spaceGiven = true;
        break;
      case VSpaceSy:
        VSpaceT = VSpaceB = std::abs(a.Value);
        break;
      case BorderSy:
        BorderSize = std::max(0, a.Value);
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
}

std::unique_ptr<TFloatingObj> TImageObj::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TImageObj>(ownerList, *this);
}

void TImageObj::ApplyStyleProperties(TProperties& prop) {
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
  auto space = [&](int32_t& target, int margin, int border) {
    if (box[margin] != UnsetBoxValue) target = box[margin];
    if (bordered) target += box[border];
  };
  space(HSpaceL, piMarginLeft, piBorderLeftWidth);
  space(HSpaceR, piMarginRight, piBorderRightWidth);
  space(VSpaceT, piMarginTop, piBorderTopWidth);
  space(VSpaceB, piMarginBottom, piBorderBottomWidth);
  ReadStyleSize(values[piWidth], box[piWidth], SpecWidth, PercentWidth);
  ReadStyleSize(values[piHeight], box[piHeight], SpecHeight, PercentHeight);
  Visible = prop.GetVisibility() != 1;
}

// Sizing the picture (and fetching it) comes with the image cache.
void TImageObj::ComputeSize(pf::TCanvas& canvas, int32_t availHeight, int32_t availWidth, TFontObj* linkRun) {}

// Interim until the image cache lands: a bitmap picture stretched to the object's size (masked when it has a
// mask), placed by its alignment, inside its border, which takes the run's colour.
void TImageObj::Paint(pf::TCanvas& canvas, int32_t x, int32_t topY, int32_t yBaseline, const TFontObj* run) {
  int32_t y = topY + VSpaceT;
  if (Floating == 2) y = yBaseline - (run ? run->tmHeight : 0) / 2 - ObjHeight / 2;
  if (Floating == 3 || Floating == 4) y = yBaseline - VSpaceB - ObjHeight;
  x += HSpaceL;
  DrawXX = x;
  DrawYY = y + MasterList->YOff;
  const pf::TRect box{x + BorderSize, y + BorderSize, x + ObjWidth - BorderSize, y + ObjHeight - BorderSize};
  if (auto* const* bitmap = std::get_if<pf::TBitmap*>(&Image); bitmap && *bitmap) {
    if (Mask)
      pf::DrawMasked(canvas, box, **bitmap, pf::TRect{0, 0, (*bitmap)->Width(), (*bitmap)->Height()}, *Mask);
    else
      canvas.StretchDraw(box, **bitmap);
  }
  canvas.Brush().SetColor(run ? run->TheFont->Color() : pf::clBlack);
  for (int32_t i = 0; i < BorderSize; ++i)
    canvas.FrameRect(pf::TRect{x + i, y + i, x + ObjWidth - i, y + ObjHeight - i});
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

// Interim until the image cache lands: the drawn rectangles of the last paint.
bool TImageObjList::PtInObject(int32_t x, int32_t y, TFloatingObj*& object, int32_t& iy) const {
  for (int i = 0; i < Count(); ++i) {
    TFloatingObj* o = (*this)[i];
    if (x >= o->DrawXX && x < o->DrawXX + o->ObjWidth && y >= o->DrawYY && y < o->DrawYY + o->ObjHeight) {
      object = o;
      iy = y - o->DrawYY;
      return true;
    }
  }
  return false;
}

bool TImageObjList::PtInImage(int32_t x, int32_t y, int32_t& ix, int32_t& iy, TFloatingObj*& object, bool& isMap,
                              const TMapItem*& map, bool& usesMap) const {
  for (int i = 0; i < Count(); ++i) {
    auto* image = dynamic_cast<TImageObj*>((*this)[i]);
    if (!image) continue;
    const int32_t b = image->BorderSize;
    const int32_t left = image->DrawXX + b, top = image->DrawYY + b;
    if (x < left || x >= image->DrawXX + image->ObjWidth - b || y < top || y >= image->DrawYY + image->ObjHeight - b)
      continue;
    object = image;
    ix = x - left;
    iy = y - top;
    isMap = image->IsMap;
    usesMap = image->UseMap;
    map = nullptr;
    for (int m = 0; usesMap && m < image->MasterList->MapList.Count(); ++m)
      if (pf::SameText(image->MasterList->MapList[m]->MapName, image->MapName)) map = image->MasterList->MapList[m];
    return true;
  }
  return false;
}

void TImageObjList::DecPositionsAfter(int32_t pos) {
  RemapPositions([pos](int32_t p) { return p > pos ? p - 1 : p; });
}

}  // namespace viewer
