// Text painting of a laid-out text section (pieces of runs, pictures, panels, controls, inline borders, selection,
// link focus, the printing rules) and its answers about points and positions: links and titles, objects, caret
// positions, searching, the source map, reading characters and collecting the selected text. Also the list of
// floating pictures drawn after everything else.
#include <algorithm>
#include <string>

#include "viewer/blocks.h"
#include "viewer/borders.h"
#include "viewer/image_map.h"
#include "viewer/panels.h"
#include "viewer/section_list.h"
#include "viewer/text_sections.h"

namespace viewer {

namespace {

constexpr int32_t kPaintSlack = 40;   // pixels above and below the clip that count as visible
constexpr int32_t kMaxPiece = 32000;  // characters drawn in one call at most
constexpr int32_t kCaretSlack = 10;   // a click this far left of a line still belongs to it
constexpr uint8_t kLightByte = 0xE0;  // text this light (green and blue) vanishes on paper
constexpr int kSubscript = 8, kSuperscript = 9;

bool IsJustifyBreak(char16_t c) { return c == u' ' || c == kNoBreakSpace; }
bool IsTrailing(char16_t c) { return c == u' ' || c == kLineBreakChar; }

int32_t FullHeight(const LineRec& line) { return line.SpaceBefore + line.LineHt + line.SpaceAfter; }

// The top of the line after line (at top), in a section from sectionTop on: as the layout stacked them.
int32_t NextLineTop(int32_t sectionTop, int32_t top, const LineRec& line) {
  return sectionTop + GrowExtent(sectionTop, top - sectionTop, FullHeight(line));
}

// The extra pixels the first n breaks of a justified line receive.
int32_t JustifyShare(const LineRec& line, int32_t breaks) {
  if (line.Spaces <= 0 || line.Extra <= 0) return 0;
  breaks = std::min(breaks, line.Spaces);
  return breaks * (line.Extra / line.Spaces) + std::min(breaks, line.Extra % line.Spaces);
}

// The top of an object of the given height (without its vertical spaces) in a line whose text starts at textTop:
// pictures and controls stand as the line layout reserved room for them.
int32_t ObjectTop(const TSection::TextObject& object, const LineRec& line, int32_t textTop) {
  const int32_t h = object.Height, t = object.SpaceTop, b = object.SpaceBottom;
  const int32_t baseline = textTop + line.LineHt - line.Descent;
  const int32_t lineHt = line.LineHt;
  switch (object.Align) {
    case 1:
      return textTop + t;
    case 2: {
      const int32_t outer = object.Control ? h : h + t + b;
      const int32_t m = (outer - lineHt) / 2;
      return textTop + lineHt + m - outer + (object.Control ? 0 : t);
    }
    case 3:
      return baseline - b - h;
    default:
      return (object.Control ? textTop + lineHt : baseline) - b - h;
  }
}

// An object's own style border goes round the object alone (self, where painting puts it), whatever else its span
// holds on the line: the object's spaces hold that border and its padding, so the box lies at that distance from the
// object, within the room of its spaces.
void PlaceRoundObject(BorderRec& rec, const TSection::TextObject& object, const pf::TRect& self) {
  const TBoxIntArray& m = rec.MargArray;
  rec.OpenStart = rec.OpenEnd = false;
  rec.Left = std::max(self.Left - object.SpaceLeft, self.Left - m[piPaddingLeft] - m[piBorderLeftWidth]);
  rec.Right = std::min(self.Right + object.SpaceRight, self.Right + m[piPaddingRight] + m[piBorderRightWidth]);
  rec.Top = std::max(self.Top - object.SpaceTop, self.Top - m[piPaddingTop] - m[piBorderTopWidth]);
  rec.Bottom = std::min(self.Bottom + object.SpaceBottom, self.Bottom + m[piPaddingBottom] + m[piBorderBottomWidth]);
}

// A floating picture or panel whose box (its spaces included) starts at x, topY.
void DrawFloat(TFloatingObj& object, pf::TCanvas& canvas, int32_t x, int32_t topY, int32_t baseline, TFontObj* run) {
  if (auto* panel = dynamic_cast<TPanelObj*>(&object))
    panel->Place(canvas, x + panel->HSpaceL, topY + panel->VSpaceT);
  else if (auto* image = dynamic_cast<TImageObj*>(&object))
    image->Paint(canvas, x, topY, baseline, run);
}

pf::TColor PrintedTextColor(pf::TColor color, bool monochrome, bool printBackground) {
  const pf::TColor rgb = pf::ColorToDrawRGB(color);
  if (monochrome && rgb == 0xFFFFFF) return pf::clBlack;
  const uint8_t green = (rgb >> 8) & 0xFF, blue = (rgb >> 16) & 0xFF;
  if (!printBackground && green >= kLightByte && blue >= kLightByte) return pf::clBlack;
  return color;
}

}  // namespace

// ---- geometry of lines ----

std::vector<int32_t> TSection::LineOffsets(pf::TCanvas& canvas, const LineRec& line) {
  std::vector<int32_t> offsets;
  offsets.reserve(static_cast<size_t>(line.Ln));
  canvas.SetTextJustification(0, 0);
  const int32_t end = line.Start + line.Ln;
  int32_t x = 0, breaks = 0;
  for (int32_t at = line.Start; at < end;) {
    if (IsObjectChar(Text[static_cast<size_t>(at)])) {
      const TextObject object = ObjectAt(at++);
      if (!object.IsFloat()) x = BoundExtent(int64_t{x} + object.BoxWidth);
      offsets.push_back(x);
      continue;
    }
    const int32_t pieceEnd = PieceEnd(at, end);
    int index = 0;
    Fonts.GetFontAt(at, index)->TheFont->AssignToCanvas(canvas);
    std::vector<int32_t> extents;
    canvas.GetTextExtentExPoint(
        std::u16string_view(Text).substr(static_cast<size_t>(at), static_cast<size_t>(pieceEnd - at)), 0, nullptr,
        &extents);
    for (int32_t i = 0; i < pieceEnd - at; ++i) {
      if (IsJustifyBreak(Text[static_cast<size_t>(at + i)])) ++breaks;
      offsets.push_back(BoundExtent(int64_t{x} + extents[static_cast<size_t>(i)] + JustifyShare(line, breaks)));
    }
    x = BoundExtent(int64_t{x} + (extents.empty() ? 0 : extents.back()));
    at = pieceEnd;
  }
  return offsets;
}

int TSection::LineAt(int32_t index) const {
  for (int i = 0; i < Lines.Count(); ++i) {
    const LineRec& line = *Lines[i];
    if (line.Ln > 0 && index >= line.Start && index < line.Start + line.Ln) return i;
  }
  return -1;
}

// ---- painting ----

namespace {

class TextPainter {
 public:
  TextPainter(TSection& section, pf::TCanvas& canvas, const pf::TRect& clip, int32_t x)
      : s_(section), canvas_(canvas), clip_(clip), x_(x), list_(*section.OwnerList) {
    yOff_ = list_.YOff;
    printing_ = list_.Printing;
    monochrome_ = canvas.GetDeviceCaps(pf::BITSPIXEL) * canvas.GetDeviceCaps(pf::PLANES) == 1;
    selB_ = list_.SelB - s_.StartCurs;
    selE_ = list_.SelE - s_.StartCurs;
    if (printing_ || selE_ <= selB_) selB_ = selE_ = -1;
  }

  void PaintLines();

 private:
  bool LineWanted(const LineRec& line, int32_t top);
  void DrawLine(LineRec& line, int32_t top);
  // On paper, a line printed on the page before whose floats reach down onto this page: only they are drawn.
  void DrawFloatsOnly(const LineRec& line, int32_t top);
  // The inline borders of the line whose text starts at canvas x left.
  void BuildBorders(LineRec& line, int32_t left, int32_t top, const std::vector<int32_t>& offsets);
  // The index of the object in start..end whose own style border is the inline border id; -1 when none.
  int32_t OwnerAt(int32_t start, int32_t end, int32_t id) const;
  // The object at index itself where painting puts it: a control or panel placed in the line whose text starts at
  // textTop, with its box (spaces in) from boxLeft; a picture by its alignment; a float where the layout put it.
  pf::TRect ObjectRect(int32_t index, const TSection::TextObject& object, const LineRec& line, int32_t boxLeft,
                       int32_t textTop) const;
  void PaintBorders(const LineRec& line);
  // Draws the object at index with its box's left edge at x; answers its advance.
  int32_t DrawObject(const LineRec& line, int32_t index, int32_t x, int32_t textTop);
  void DrawPiece(int32_t start, int32_t end, int32_t x, int32_t baseline, bool selected, bool hyphen);
  void ShowWindow(pf::TWinControl& window, int32_t x, int32_t y, int32_t width, int32_t height);

  TSection& s_;
  pf::TCanvas& canvas_;
  const pf::TRect& clip_;
  int32_t x_;
  TSectionList& list_;
  int32_t yOff_;
  bool printing_, monochrome_;
  int32_t selB_, selE_;  // the selection relative to the section; -1 when nothing is selected
};

void TextPainter::PaintLines() {
  const uint32_t oldAlign = canvas_.SetTextAlign(pf::TA_BASELINE);
  int32_t top = s_.ContentTop;
  for (int i = 0; i < s_.Lines.Count(); ++i) {
    LineRec& line = *s_.Lines[i];
    if (LineWanted(line, top)) {
      if (!printing_ || list_.OnPrintedPage(top, top + FullHeight(line), clip_))
        DrawLine(line, top);
      else
        DrawFloatsOnly(line, top);
      list_.HoverPending = false;
    }
    top = NextLineTop(s_.ContentTop, top, line);
  }
  canvas_.SetTextJustification(0, 0);
  canvas_.SetTextAlign(oldAlign);
}

bool TextPainter::LineWanted(const LineRec& line, int32_t top) {
  const int32_t height = std::max(line.DrawHeight, FullHeight(line));
  if (!printing_) return top - yOff_ - kPaintSlack <= clip_.Bottom && top - yOff_ + height + kPaintSlack >= clip_.Top;
  // On paper: a line crossing the page bottom starts the next page, unless it could never fit on one.
  const int32_t pageTop = yOff_ + clip_.Top;
  if (!list_.OnPrintedPage(top, top + height, clip_)) return false;
  const bool absolute = s_.OwnerBlock && s_.OwnerBlock->Positioning == TBlock::posAbsolute;
  if (top + height > list_.PageBottom && height < list_.PageBottom - pageTop && !list_.PageShortened && !absolute) {
    list_.PageBottom = std::min(list_.PageBottom, top);
    list_.PageShortened = true;
    return false;
  }
  return true;
}

void TextPainter::DrawLine(LineRec& line, int32_t top) {
  const int32_t left = x_ + line.LineIndent;  // on the canvas
  line.DrawX = left + list_.XOff;
  line.DrawY = top;
  if (line.Ln == 0) return;
  const std::vector<int32_t> offsets = s_.LineOffsets(canvas_, line);
  const int32_t textTop = top - yOff_ + line.SpaceBefore;
  const int32_t baseline = textTop + line.LineHt - line.Descent;
  if (line.FirstDraw) {
    BuildBorders(line, left, top, offsets);
    line.FirstDraw = false;
  }
  PaintBorders(line);
  if (line.Spaces > 0 && line.Extra > 0) canvas_.SetTextJustification(line.Extra, line.Spaces);
  int32_t drawEnd = line.Start + line.Ln;
  while (drawEnd > line.Start && IsTrailing(s_.Text[static_cast<size_t>(drawEnd - 1)])) --drawEnd;
  auto offsetBefore = [&](int32_t index) {
    return index == line.Start ? 0 : offsets[static_cast<size_t>(index - line.Start - 1)];
  };
  for (int32_t at = line.Start; at < drawEnd;) {
    const int32_t x = left + offsetBefore(at);
    if (IsObjectChar(s_.Text[static_cast<size_t>(at)])) {
      DrawObject(line, at++, x, textTop);
      continue;
    }
    int32_t end = s_.PieceEnd(at, drawEnd);
    bool selected = false;
    if (selB_ >= 0) {
      if (at >= selB_ && at < selE_) {
        selected = true;
        end = std::min(end, selE_);
      } else if (at < selB_) {
        end = std::min(end, selB_);
      }
    }
    end = std::min(end, at + kMaxPiece);
    DrawPiece(at, end, x, baseline, selected, line.Shy && end == drawEnd);
    at = end;
  }
  canvas_.SetTextJustification(0, 0);
}

void TextPainter::DrawFloatsOnly(const LineRec& line, int32_t top) {
  const int32_t textTop = top - yOff_ + line.SpaceBefore;
  for (int32_t at = line.Start; at < line.Start + line.Ln; ++at)
    if (IsObjectChar(s_.Text[static_cast<size_t>(at)]) && s_.ObjectAt(at).IsFloat()) DrawObject(line, at, 0, textTop);
}

void TextPainter::DrawPiece(int32_t start, int32_t end, int32_t x, int32_t baseline, bool selected, bool hyphen) {
  int index = 0;
  TFontObj* run = s_.Fonts.GetFontAt(start, index);
  const TMyFont& font = *run->TheFont;
  font.AssignToCanvas(canvas_);
  std::u16string text = s_.Text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
  if (hyphen) text += u'-';
  if (run->SScript == kSubscript) baseline += run->Descent / 2 + 1;
  if (run->SScript == kSuperscript) baseline -= run->tmHeight / 3;
  if (selected) {
    canvas_.SetBkMode(pf::OPAQUE);
    canvas_.SetBkColor(pf::clHighlight);
    canvas_.SetTextColor(pf::clHighlightText);
  } else {
    canvas_.SetTextColor(printing_ ? PrintedTextColor(font.Color(), monochrome_, list_.PrintBackground) : font.Color());
    const bool background = font.BackgroundColor != pf::clNone;
    canvas_.SetBkMode(background ? pf::OPAQUE : pf::TRANSPARENT);
    if (background) canvas_.SetBkColor(font.BackgroundColor);
  }
  const int32_t width = BoundExtent(WideTextWidth(canvas_, text));
  canvas_.TextOutW(x, baseline, text);
  const pf::TRect cell{x, baseline - run->Ascent, x + width, baseline + run->Descent};
  if (run->Active && !selected && !printing_) canvas_.DrawFocusRect(cell);
  if (printing_ && !run->UrlTarget.Url.empty() && list_.OnLinkDrawn) list_.OnLinkDrawn(run->UrlTarget, cell);
}

void TextPainter::ShowWindow(pf::TWinControl& window, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!window.Parent() && list_.PPanel) window.SetParent(list_.PPanel);
  window.SetBounds(x, y, width, height);
  window.SetVisible(true);
}

int32_t TextPainter::DrawObject(const LineRec& line, int32_t index, int32_t x, int32_t textTop) {
  const TSection::TextObject object = s_.ObjectAt(index);
  int runIndex = 0;
  TFontObj* run = s_.Fonts.GetFontAt(index, runIndex);
  if (object.Image) {
    TFloatingObj& image = *object.Image;
    const int32_t baseline = textTop + line.LineHt - line.Descent;
    if (object.IsFloat()) {
      // Floats are drawn after everything else, at the place the layout gave them; on paper on the pages they meet.
      if (printing_ && !list_.OnPrintedPage(image.DrawYY, image.DrawYY + image.ObjHeight, clip_)) return 0;
      list_.DrawList.AddImage(&image, canvas_, x_ + image.Indent - image.HSpaceL, image.DrawYY - image.VSpaceT - yOff_,
                              baseline, run);
      return 0;
    }
    // A picture places itself in the line; a panel stands where the layout made room for it.
    if (auto* panel = dynamic_cast<TPanelObj*>(&image))
      panel->Place(canvas_, x + image.HSpaceL, ObjectTop(object, line, textTop));
    else if (auto* picture = dynamic_cast<TImageObj*>(&image))
      picture->Paint(canvas_, x, textTop, baseline, run);
    return object.BoxWidth;
  }
  if (TFormControlObj* control = object.Control) {
    const int32_t left = x + control->HSpaceL, top = ObjectTop(object, line, textTop);
    if (printing_) {
      // The print look places its text by the top of the text cell; the line's text goes by its baseline.
      const uint32_t align = canvas_.SetTextAlign(pf::TA_TOP);
      control->Paint(canvas_, left, top);
      canvas_.SetTextAlign(align);
    } else if (pf::TWinControl* window = control->GetControl()) {
      ShowWindow(*window, left, top, window->Width(), window->Height());
      control->ShowIt = true;
    }
    return object.BoxWidth;
  }
  return 0;
}

int32_t TextPainter::OwnerAt(int32_t start, int32_t end, int32_t id) const {
  for (int32_t k = start; k < end; ++k)
    if (IsObjectChar(s_.Text[static_cast<size_t>(k)]) && s_.ObjectAt(k).BorderID == id) return k;
  return -1;
}

pf::TRect TextPainter::ObjectRect(int32_t index, const TSection::TextObject& object, const LineRec& line,
                                  int32_t boxLeft, int32_t textTop) const {
  pf::TRect r;
  if (object.IsFloat()) {
    r.Left = x_ + object.Image->Indent;
    r.Top = object.Image->DrawYY;
  } else if (const auto* picture = dynamic_cast<const TImageObj*>(object.Image)) {
    int runIndex = 0;
    r.Left = boxLeft + object.SpaceLeft;
    r.Top = picture->DrawnTop(textTop, textTop + line.LineHt - line.Descent, s_.Fonts.GetFontAt(index, runIndex));
  } else {
    r.Left = boxLeft + object.SpaceLeft;
    r.Top = ObjectTop(object, line, textTop);
  }
  r.Right = r.Left + object.BoxWidth - object.SpaceLeft - object.SpaceRight;
  r.Bottom = r.Top + object.Height;
  return r;
}

void TextPainter::BuildBorders(LineRec& line, int32_t left, int32_t top, const std::vector<int32_t>& offsets) {
  line.BorderList.Clear();
  line.FirstX = x_;
  TInlineList& inlines = *list_.InlineList;
  const int32_t lineEnd = line.Start + line.Ln;
  const int32_t textTop = top + line.SpaceBefore;
  auto offsetBefore = [&](int32_t index) {
    return index <= line.Start ? 0 : offsets[static_cast<size_t>(std::min(index, lineEnd) - line.Start - 1)];
  };
  for (int i = 0; i < inlines.Count(); ++i) {
    const int32_t start = inlines.StartOf(i) - s_.StartCurs, end = inlines.EndOf(i) - s_.StartCurs;
    if (start >= lineEnd || end <= line.Start) continue;
    auto rec = std::make_unique<BorderRec>();
    rec->MargArray = inlines[i]->MargArray;
    const TBoxIntArray& m = rec->MargArray;
    rec->Start = std::max(start, line.Start);
    rec->End = std::min(end, lineEnd);
    rec->OpenStart = start < line.Start;
    rec->OpenEnd = end > lineEnd;
    if (const int32_t k = OwnerAt(rec->Start, rec->End, inlines[i]->ID); k >= 0) {
      const TSection::TextObject object = s_.ObjectAt(k);
      // Nothing of a hidden picture is drawn, its own border neither.
      if (const auto* picture = dynamic_cast<const TImageObj*>(object.Image); picture && !picture->Visible) continue;
      PlaceRoundObject(*rec, object, ObjectRect(k, object, line, left + offsetBefore(k), textTop));
      line.BorderList.Add(std::move(rec));
      continue;
    }
    int runIndex = 0;
    const TFontObj* run = s_.Fonts.GetFontAt(rec->Start, runIndex);
    const int32_t baseline = textTop + line.LineHt - line.Descent;
    rec->Left = left + offsetBefore(rec->Start) - (rec->OpenStart ? 0 : m[piPaddingLeft] + m[piBorderLeftWidth]);
    rec->Right = left + offsetBefore(rec->End) + (rec->OpenEnd ? 0 : m[piPaddingRight] + m[piBorderRightWidth]);
    rec->Top = baseline - run->Ascent - m[piPaddingTop] - m[piBorderTopWidth];
    rec->Bottom = baseline + run->Descent + m[piPaddingBottom] + m[piBorderBottomWidth];
    // Pictures and controls inside the border widen and heighten it to go round them where they are drawn (a
    // picture by its alignment, which may differ from the room the line reserved), padding and border outside them.
    for (int32_t k = rec->Start; k < rec->End; ++k) {
      if (!IsObjectChar(s_.Text[static_cast<size_t>(k)])) continue;
      const TSection::TextObject object = s_.ObjectAt(k);
      if (object.IsFloat() || (!object.Image && !object.Control)) continue;
      const pf::TRect self = ObjectRect(k, object, line, left + offsetBefore(k), textTop);
      rec->Top = std::min(rec->Top, self.Top - object.SpaceTop - m[piPaddingTop] - m[piBorderTopWidth]);
      rec->Bottom =
          std::max(rec->Bottom, self.Bottom + object.SpaceBottom + m[piPaddingBottom] + m[piBorderBottomWidth]);
      rec->Left = std::min(rec->Left, left + offsetBefore(k));
      rec->Right = std::max(rec->Right, left + offsetBefore(k + 1));
    }
    line.BorderList.Add(std::move(rec));
  }
}

void TextPainter::PaintBorders(const LineRec& line) {
  const int32_t dx = x_ - line.FirstX;
  for (int i = 0; i < line.BorderList.Count(); ++i) {
    const BorderRec& rec = *line.BorderList[i];
    const TBoxIntArray& m = rec.MargArray;
    const pf::TRect outer{rec.Left + dx, rec.Top - yOff_, rec.Right + dx, rec.Bottom - yOff_};
    const pf::TColor background = static_cast<pf::TColor>(m[piBackgroundColor]);
    if (background != pf::clNone)
      FillRectWithColor(canvas_, outer.Left, outer.Top, outer.Right, outer.Bottom, background);
    const int32_t left = rec.OpenStart ? 0 : m[piBorderLeftWidth], right = rec.OpenEnd ? 0 : m[piBorderRightWidth];
    const pf::TRect inner{outer.Left + left, outer.Top + m[piBorderTopWidth], outer.Right - right,
                          outer.Bottom - m[piBorderBottomWidth]};
    if (inner == outer) continue;
    int runIndex = 0;
    const pf::TColor text = s_.Fonts.GetFontAt(rec.Start, runIndex)->TheFont->Color();
    auto color = [&](int index) {
      const auto c = static_cast<pf::TColor>(m[index]);
      return c == pf::clNone ? text : c;
    };
    auto style = [&](int index, bool open) { return open ? uint8_t{bssNone} : static_cast<uint8_t>(m[index]); };
    DrawBoxBorder(canvas_, outer, inner,
                  MakeBorderColors(color(piBorderLeftColor), color(piBorderTopColor), color(piBorderRightColor),
                                   color(piBorderBottomColor)),
                  pf::clNone,
                  MakeBorderStyles(style(piBorderLeftStyle, rec.OpenStart), style(piBorderTopStyle, false),
                                   style(piBorderRightStyle, rec.OpenEnd), style(piBorderBottomStyle, false)));
  }
}

}  // namespace

int32_t TSection::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                        int32_t yRef) {
  const int32_t bottom = ContentTop + SectionHeight;
  if (Text.empty() || !OwnerList) return bottom;
  const int32_t top = ContentTop - OwnerList->YOff;
  if (top + DrawHeight + kPaintSlack < clip.Top || top - kPaintSlack > clip.Bottom) return bottom;
  TextPainter(*this, canvas, clip, x).PaintLines();
  return bottom;
}

// ---- the floating pictures drawn last ----

void TDrawList::AddImage(TFloatingObj* object, pf::TCanvas& canvas, int32_t x, int32_t topY, int32_t yBaseline,
                         TFontObj* font) {
  Add(std::make_unique<TImageRec>(TImageRec{object, &canvas, x, topY, yBaseline, font}));
}

void TDrawList::DrawImages() {
  for (int i = 0; i < Count(); ++i) {
    const TImageRec& rec = *(*this)[i];
    DrawFloat(*rec.Object, *rec.Canvas, rec.X, rec.TopY, rec.YBaseline, rec.Font);
  }
}

// ---- what is at a point ----

int TSection::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                        TFormControlObj*& formControl, std::string& title) {
  int result = 0;
  int32_t ix = 0, iy = 0;
  TFloatingObj* object = nullptr;
  bool isMap = false, usesMap = false;
  const TMapItem* map = nullptr;
  if (Images.Count() > 0 && Images.PtInImage(x, y, ix, iy, object, isMap, map, usesMap)) {
    auto* image = dynamic_cast<TImageObj*>(object);
    title = !object->Title.empty() ? object->Title : object->Alt;
    if (!title.empty()) result |= 4;
    if (OwnerList && image) OwnerList->ImageHovered = image;
    if (image && image->MyFormControl) {
      formControl = image->MyFormControl;
      image->MyFormControl->XTmp = ix;
      image->MyFormControl->YTmp = iy;
      return result | 2;
    }
    if (usesMap) {
      std::string areaTitle;
      if (map && map->GetAreaAt(ix, iy, urlTarget, areaTitle)) result |= 1;
      if (!areaTitle.empty()) {
        title = areaTitle;
        result |= 4;
      }
      return result;
    }
    int runIndex = 0;
    const TFontObj* run = Fonts.GetFontAt(object->Pos, runIndex);
    if (run && !run->UrlTarget.Url.empty()) {
      urlTarget = std::make_unique<TUrlTarget>();
      urlTarget->CopyFrom(run->UrlTarget);
      if (isMap) urlTarget->Url += "?" + std::to_string(ix) + "," + std::to_string(iy);
      result |= 1;
    }
    return result;
  }
  int32_t top = ContentTop;
  for (int i = 0; i < Lines.Count(); ++i) {
    const LineRec& line = *Lines[i];
    const int32_t textTop = top + line.SpaceBefore;
    top = NextLineTop(ContentTop, top, line);
    if (line.Ln == 0 || y < textTop || y >= textTop + line.LineHt) continue;
    if (x < line.DrawX) return 0;
    const std::vector<int32_t> offsets = LineOffsets(canvas, line);
    const auto under =
        static_cast<int32_t>(std::upper_bound(offsets.begin(), offsets.end(), x - line.DrawX) - offsets.begin());
    if (under >= line.Ln) return 0;
    const int32_t index = line.Start + under;
    if (Text[static_cast<size_t>(index)] == kImageChar) return 0;
    int runIndex = 0;
    TFontObj* run = Fonts.GetFontAt(index, runIndex);
    if (!run->UrlTarget.Url.empty()) {
      urlTarget = std::make_unique<TUrlTarget>();
      urlTarget->CopyFrom(run->UrlTarget);
      if (OwnerList) OwnerList->LinkHovered = run;
      result |= 1;
    }
    if (!run->Title.empty()) {
      title = run->Title;
      result |= 4;
    }
    return result;
  }
  return 0;
}

TIDObject* TSection::FindObjectAt(int32_t x, int32_t y, int32_t& position) {
  if (Images.Count() == 0) return nullptr;
  TFloatingObj* object = nullptr;
  int32_t iy = 0;
  if (!Images.PtInObject(x, y, object, iy)) return nullptr;
  position = StartCurs + object->Pos;
  return object;
}

int32_t TSection::GetPositionAtPoint(pf::TCanvas& canvas, int32_t x, int32_t y, bool& inText, int32_t& lineHeight,
                                     int32_t& lineTop, int32_t& caretX) {
  inText = false;
  int32_t top = YPosition;
  for (int i = 0; i < Lines.Count(); ++i) {
    const LineRec& line = *Lines[i];
    const int32_t height = FullHeight(line);
    if (y < top || y >= top + height) {
      top = NextLineTop(YPosition, top, line);
      continue;
    }
    if (x >= line.DrawX - kCaretSlack && x <= line.DrawX + line.LineWidth) {
      inText = x >= line.DrawX;
      lineHeight = line.LineHt;
      lineTop = top + line.SpaceBefore;
    }
    int32_t count = 0;
    caretX = line.DrawX;
    if (x >= line.DrawX && line.Ln > 0) {
      const std::vector<int32_t> offsets = LineOffsets(canvas, line);
      // A click past the text stays on this line, before its closing blank or break.
      int32_t last = line.Ln;
      while (last > 0 && IsTrailing(Text[static_cast<size_t>(line.Start + last - 1)])) --last;
      const int32_t dx = x - line.DrawX;
      while (count < last && offsets[static_cast<size_t>(count)] <= dx) ++count;
      if (count < last) {
        const int32_t left = count == 0 ? 0 : offsets[static_cast<size_t>(count - 1)];
        if (left + (offsets[static_cast<size_t>(count)] - left) / 2 < dx) ++count;
      }
      caretX = line.DrawX + (count == 0 ? 0 : offsets[static_cast<size_t>(count - 1)]);
    }
    return StartCurs + line.Start + count;
  }
  return -1;
}

bool TSection::GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y) {
  const int32_t index = docPos - StartCurs;
  if (index < 0 || index >= Len) return false;
  const int lineIndex = LineAt(index);
  if (lineIndex < 0) return false;
  int32_t top = YPosition;
  for (int i = 0; i < lineIndex; ++i) top = NextLineTop(YPosition, top, *Lines[i]);
  const LineRec& line = *Lines[lineIndex];
  y = top;
  canvas.SetTextJustification(0, 0);
  const auto breaks = std::count_if(Text.begin() + line.Start, Text.begin() + index, IsJustifyBreak);
  x = line.DrawX + MeasureTextWidthInside(canvas, line.Start, index - line.Start, false) +
      JustifyShare(line, static_cast<int32_t>(breaks));
  return true;
}

// ---- searching, the source map and characters ----

int32_t TSection::SearchForward(int32_t position, std::u16string_view text, bool matchCase) {
  if (Text.empty() || text.empty() || position >= StartCurs + Len) return -1;
  const std::u16string haystack = matchCase ? Text : LowerCaseWide(Text);
  const size_t at = haystack.find(text, static_cast<size_t>(std::max(0, position - StartCurs)));
  return at == std::u16string::npos ? -1 : StartCurs + static_cast<int32_t>(at);
}

int32_t TSection::SearchBackward(int32_t position, std::u16string_view text, bool matchCase) {
  if (Text.empty() || text.empty() || position <= StartCurs) return -1;
  const std::u16string haystack = matchCase ? Text : LowerCaseWide(Text);
  const auto before = static_cast<size_t>(std::min(position - StartCurs, Len));
  // Occurrences of the last character, from the end, each checked for the whole text.
  for (size_t end = before; end >= text.size(); --end) {
    if (haystack[end - 1] != text.back()) continue;
    if (std::u16string_view(haystack).substr(end - text.size(), text.size()) == text)
      return StartCurs + static_cast<int32_t>(end - text.size());
  }
  return -1;
}

int32_t TSection::MapToSourcePos(int32_t docPos) {
  const int32_t index = docPos - StartCurs;
  if (index < 0 || index >= Len || SourceRuns.Count() == 0) return -1;
  const IndexObj* run = nullptr;
  for (int i = 0; i < SourceRuns.Count() && SourceRuns[i]->Pos <= index; ++i) run = SourceRuns[i];
  return run ? run->Index + (index - run->Pos) : -1;
}

int32_t TSection::MapToDocPos(int32_t sourcePos, bool backwards) {
  const int count = SourceRuns.Count();
  if (count == 0 || Len == 0) return -1;
  if (sourcePos < SourceRuns[0]->Index) return backwards ? -1 : StartCurs;
  for (int i = 0; i < count; ++i) {
    const IndexObj& run = *SourceRuns[i];
    const int32_t runEnd = i + 1 < count ? SourceRuns[i + 1]->Pos : Len;  // text index after the run
    const int32_t length = runEnd - run.Pos;
    if (sourcePos >= run.Index && sourcePos < run.Index + length) return StartCurs + run.Pos + (sourcePos - run.Index);
    if (i + 1 < count && sourcePos >= run.Index + length && sourcePos < SourceRuns[i + 1]->Index)
      return StartCurs + (backwards ? runEnd - 1 : runEnd);
  }
  return backwards ? StartCurs + Len - 1 : -1;
}

bool TSection::ReadCharAt(int32_t docPos, char16_t& ch, TSectionBase*& object) {
  const int32_t index = docPos - StartCurs;
  if (index < 0 || index >= Len) return false;
  ch = Text[static_cast<size_t>(index)];
  object = this;
  return true;
}

void TSection::CollectSelectedText(SelTextCount& collector) {
  if (!OwnerList || Len == 0) return;
  const int32_t b = OwnerList->SelB - StartCurs, e = OwnerList->SelE - StartCurs;
  if (e <= b || e <= 0 || b >= Len) return;
  const int32_t textEnd = Text.back() == u' ' ? Len - 1 : Len;
  for (int i = 0; i < Lines.Count(); ++i) {
    const LineRec& line = *Lines[i];
    const int32_t from = std::max(b, line.Start);
    const int32_t to = std::min({e, line.Start + line.Ln, textEnd});
    if (from < to) collector.AddChars(TextPtr() + from, to - from);
  }
  if (e > Len) collector.AddCharsWithBreak(nullptr, 0);
}

}  // namespace viewer
