// The viewer's pictures in the text: the image object of an IMG element, a list-style or background picture or an
// image input, and the list of pictures and panels of one text section.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/gdiplus.h"
#include "viewer/viewer_shared.h"

namespace viewer {

class TImageFormControlObj;
class TMapItem;
class TgfAnimatedImage;

// A picture as the cache holds it: none, a bitmap, a GDI+ image or an animated image.
using TImageRef = std::variant<std::monostate, pf::TBitmap*, pf::TGpImage*, TgfAnimatedImage*>;

// The kind of picture data by its first bytes.
enum TImageKind : uint8_t { ikNone = 0, ikBmp = 1, ikGif87 = 2, ikGif89 = 3, ikPng = 4, ikJpeg = 5 };

class TImageObj : public TFloatingObj {
 public:
  // An IMG element (or an image input) at text index position: SRC, ALIGN, WIDTH, HEIGHT, HSPACE, VSPACE, BORDER,
  // USEMAP, ISMAP, ALT and TITLE.
  TImageObj(TSectionList* masterList, int32_t position, const TAttributeList& attributes);
  // A picture named by a URL alone (a background or list-style picture).
  static std::unique_ptr<TImageObj> CreateFromUrl(TSectionList* masterList, const std::string& url);
  // The print copy.
  TImageObj(TSectionList* masterList, const TImageObj& source);

  std::string Source;           // the picture's name as written
  TImageRef Image;              // the picture from the cache
  pf::TBitmap* Mask = nullptr;  // its monochrome mask, white where transparent
  uint8_t Transparent = 0;      // the transparency kind
  int32_t BorderSize = 0;       // BORDER, or the style's border width
  bool BorderGiven = false;     // BORDER was written (a picture in a link otherwise gets a 1-pixel frame)
  std::string MapName;          // USEMAP without its "#"
  bool UseMap = false;
  bool IsMap = false;
  uint8_t HoverState = 0;                         // 0 none, 1 hover, 2 pressed
  bool Visible = true;                            // the style's visibility
  TImageFormControlObj* MyFormControl = nullptr;  // the image input this picture belongs to
  TSectionList* MasterList;

  // The element's style: vertical-align or float, title, margins (plus the border when bordered), width, height
  // and visibility.
  void ApplyStyleProperties(TProperties& prop);
  void ComputeSize(pf::TCanvas& canvas, int32_t availHeight, int32_t availWidth, TFontObj* linkRun) override;
  std::unique_ptr<TFloatingObj> CreateClone(TSectionList* ownerList) const override;
  void SetHoverState(uint8_t state);
  // Draws the picture with x the left edge of its box (its left space included): a floating one with its top space
  // below topY; one in a line whose text starts at topY with its baseline at yBaseline, by its alignment. run is
  // the font run it stands in. Remembers where it drew (DrawXX, and DrawYY in document y).
  void Paint(pf::TCanvas& canvas, int32_t x, int32_t topY, int32_t yBaseline, const TFontObj* run);
};

// The pictures and panels of one section, by text position.
class TImageObjList : public TFreeList<TFloatingObj> {
 public:
  // A copy of every picture and panel of source for ownerList.
  void CreateClone(TSectionList* ownerList, const TImageObjList& source);
  // The object at text index pos, or nullptr.
  TFloatingObj* FindImage(int32_t pos) const;
  // The characters from pos to the next object (99999999 when none follows).
  int32_t GetImageCountAt(int32_t pos) const;
  // A character before the objects after pos was removed.
  void DecPositionsAfter(int32_t pos);
  template <typename F>
  void RemapPositions(F newPosition) {
    for (int i = 0; i < Count(); ++i) (*this)[i]->Pos = newPosition((*this)[i]->Pos);
  }

  // Sizes and hit tests (built with the layout).
  int32_t GetHeightAt(int32_t pos, uint8_t& align, TFloatingObj*& object) const;
  int32_t GetWidthAt(int32_t pos, uint8_t& align, int32_t& hSpaceLeft, int32_t& hSpaceRight,
                     TFloatingObj*& object) const;
  bool PtInImage(int32_t x, int32_t y, int32_t& ix, int32_t& iy, TFloatingObj*& object, bool& isMap,
                 const TMapItem*& map, bool& usesMap) const;
  bool PtInObject(int32_t x, int32_t y, TFloatingObj*& object, int32_t& iy) const;
};

}  // namespace viewer
