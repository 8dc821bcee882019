// Line breaking and text layout of a text section: the lines within the room the floats leave, the pictures,
// panels and controls standing in them, each line's height, baseline, indent and justification, and the
// section's narrowest and widest widths.
#include <algorithm>

#include "platform/core/mathutil.h"
#include "viewer/section_list.h"
#include "viewer/text_sections.h"

namespace viewer {

namespace {

constexpr int32_t kPercent = 100;
constexpr int32_t kProgressStep = 50;     // sections between two progress reports
constexpr int32_t kMinControlWidth = 10;  // a control sized in percent is never narrower
constexpr int32_t kMeasureWindow = 512;   // characters measured at once while a line is filled
constexpr char16_t kFirstWideChar = 0x3000;
constexpr char16_t kLastLatin1 = 0xFF;

bool IsWide(char16_t c) { return c >= kFirstWideChar; }
bool IsBreakChar(char16_t c) { return IsObjectChar(c) || c == kLineBreakChar || c == u' ' || c == u'-' || c == u'?'; }

// A lower line is worth waiting for: a float ends below y, and the extent leaves room to go down (at its end the
// text takes what room there is, so that every pass ends).
bool FloatEndsBelow(const IndentManager& indents, int32_t y) {
  return y < kMaxLayoutExtent && indents.NextFloatEnd(y) > y;
}

}  // namespace

// ---- objects, pieces and widths ----

TSection::TextObject TSection::ObjectAt(int32_t index) const {
  TextObject object;
  if (Text[static_cast<size_t>(index)] == kImageChar) {
    if (TFloatingObj* image = Images.FindImage(index)) {
      object.Image = image;
      object.Align = image->Floating;
      object.BoxWidth = image->ObjWidth + image->HSpaceL + image->HSpaceR;
      object.Height = image->ObjHeight;
      object.SpaceLeft = image->HSpaceL;
      object.SpaceRight = image->HSpaceR;
      object.SpaceTop = image->VSpaceT;
      object.SpaceBottom = image->VSpaceB;
      object.BorderID = image->BorderID;
    }
  } else if (TFormControlObj* control = FormControls.FindControlAt(index)) {
    object.Control = control;
    const int32_t width = std::max(0, FormControls.GetControlWidthAt(index, object.SpaceLeft, object.SpaceRight));
    object.BoxWidth = width + object.SpaceLeft + object.SpaceRight;
    object.Height = std::max(0, FormControls.GetControlHeightAt(index, object.Align));
    object.SpaceTop = control->VSpaceT;
    object.SpaceBottom = control->VSpaceB;
    object.BorderID = control->BorderID;
  }
  return object;
}

int32_t TSection::PieceEnd(int32_t index, int32_t end) const {
  const int32_t limit = std::min(end, index + Fonts.GetFontCountAt(index, static_cast<int32_t>(Text.size())));
  int32_t at = index;
  while (at < limit && !IsObjectChar(Text[static_cast<size_t>(at)])) ++at;
  return at;
}

int32_t TSection::MeasureWidth(pf::TCanvas& canvas, int32_t start, int32_t count, bool ignoreTrailing,
                               int32_t overhangs) {
  int32_t end = std::min(start + count, static_cast<int32_t>(Text.size()));
  if (ignoreTrailing)
    while (end > start &&
           (Text[static_cast<size_t>(end - 1)] == u' ' || Text[static_cast<size_t>(end - 1)] == kLineBreakChar))
      --end;
  int32_t width = 0;
  for (int32_t at = start; at < end;) {
    if (IsObjectChar(Text[static_cast<size_t>(at)])) {
      const TextObject object = ObjectAt(at++);
      if (!object.IsFloat()) width = BoundExtent(int64_t{width} + object.BoxWidth);
      continue;
    }
    const int32_t pieceEnd = PieceEnd(at, end);
    int index = 0;
    const TFontObj* run = Fonts.GetFontAt(at, index);
    run->TheFont->AssignToCanvas(canvas);
    width = BoundExtent(int64_t{width} +
                        WideTextWidth(canvas, std::u16string_view(Text).substr(static_cast<size_t>(at),
                                                                               static_cast<size_t>(pieceEnd - at))) +
                        overhangs * run->Overhang);
    at = pieceEnd;
  }
  return width;
}

int32_t TSection::MeasureTextWidth(pf::TCanvas& canvas, int32_t start, int32_t count, bool ignoreTrailing) {
  return MeasureWidth(canvas, start, count, ignoreTrailing, 1);
}

// The font service's extents carry no overhang, so without the overhang that MeasureTextWidth adds the width is
// the sum of the drawn advances.
int32_t TSection::MeasureTextWidthInside(pf::TCanvas& canvas, int32_t start, int32_t count, bool ignoreTrailing) {
  return MeasureWidth(canvas, start, count, ignoreTrailing, 0);
}

void TSection::SizeObject(pf::TCanvas& canvas, TFloatingObj& object, int32_t availHeight, int32_t availWidth) {
  int index = 0;
  TFontObj* run = Fonts.GetFontAt(object.Pos, index);
  object.ComputeSize(canvas, availHeight, availWidth, run && !run->UrlTarget.Url.empty() ? run : nullptr);
}

int32_t TSection::HyphenWidth(pf::TCanvas& canvas, int32_t index) {
  int runIndex = 0;
  Fonts.GetFontAt(index, runIndex)->TheFont->AssignToCanvas(canvas);
  return WideTextWidth(canvas, u"-");
}

// ---- how much fits ----

namespace {

// Whether every character of the range is certainly no wider than the widest character of its runs (their
// maximum widths bound the Latin-1 characters), and that bound times the count fits into room. Only a speed-up:
// every other case is measured.
bool CertainlyFits(const TSection& section, int32_t start, int32_t count, int32_t room) {
  int32_t widest = 0;
  for (int32_t at = start; at < start + count;) {
    int index = 0;
    const TFontObj* run = section.Fonts.GetFontAt(at, index);
    widest = std::max(widest, run->TheFont->Metrics.tmMaxCharWidth + run->TheFont->CharExtra);
    at += std::max(1, section.Fonts.GetFontCountAt(at, start + count));
  }
  const std::u16string_view text =
      std::u16string_view(section.Text).substr(static_cast<size_t>(start), static_cast<size_t>(count));
  if (std::any_of(text.begin(), text.end(), [](char16_t c) { return c > kLastLatin1; })) return false;
  return static_cast<int64_t>(widest) * count <= room;
}

}  // namespace

int32_t TSection::FindCountThatFits(pf::TCanvas& canvas, int32_t start, std::vector<TFloatingObj*>& floatList,
                                    int32_t& maxFloatHeight, IndentManager& indents, int32_t y, int32_t maxCount) {
  maxCount = std::min(maxCount, static_cast<int32_t>(Text.size()) - start);
  const std::u16string_view text(Text);
  if (maxCount > 0 && text[static_cast<size_t>(start)] == kLineBreakChar) return 1;
  const bool firstLine = start == 0;
  const int32_t room = indents.RightEdgeAt(y) - (indents.LeftEdgeAt(y) + (firstLine ? TextIndent : 0));

  int32_t count = 0;
  bool atBreak = false;  // every character before a forced break fits: the break ends the count and belongs to it
  bool certain = false;
  if (firstLine && Images.Count() == 0 && FormControls.Count() == 0) {
    const size_t breakAt = text.substr(static_cast<size_t>(start), static_cast<size_t>(maxCount)).find(kLineBreakChar);
    const int32_t upTo = breakAt == std::u16string_view::npos ? maxCount : static_cast<int32_t>(breakAt);
    certain = CertainlyFits(*this, start, upTo, room);
    if (certain) {
      count = upTo;
      atBreak = upTo < maxCount;
    }
  }
  if (!certain) {
    int32_t used = 0;
    bool empty = true;
    for (int32_t at = start; count < maxCount;) {
      if (text[static_cast<size_t>(at)] == kLineBreakChar) {
        atBreak = true;
        break;
      }
      if (IsObjectChar(text[static_cast<size_t>(at)])) {
        const TextObject object = ObjectAt(at);
        if (object.IsFloat()) {
          object.Image->DrawYY = y + object.SpaceTop;
          if (!empty) {
            floatList.push_back(object.Image);  // placed below the line
          } else {
            // A float that does not fit waits for a lower line, unless nothing else can be done here.
            if (used + object.BoxWidth > room && (count > 0 || FloatEndsBelow(indents, y))) break;
            indents.AddImageFloat(y, *object.Image);
            used += object.BoxWidth;
            maxFloatHeight = std::max(maxFloatHeight, object.BoxHeight());
          }
          ++count;
          ++at;
          if (used > room) break;
          continue;
        }
        used += object.BoxWidth;
        empty = false;
        if (used > room) break;
        ++count;
        ++at;
        continue;
      }
      // Measured a window at a time up to a forced break, so that a line costs what it holds, not what follows it.
      int32_t pieceEnd = PieceEnd(at, std::min(start + maxCount, at + kMeasureWindow));
      const size_t breakIn =
          text.substr(static_cast<size_t>(at), static_cast<size_t>(pieceEnd - at)).find(kLineBreakChar);
      if (breakIn != std::u16string_view::npos) pieceEnd = at + static_cast<int32_t>(breakIn);
      const std::u16string_view piece = text.substr(static_cast<size_t>(at), static_cast<size_t>(pieceEnd - at));
      int index = 0;
      Fonts.GetFontAt(at, index)->TheFont->AssignToCanvas(canvas);
      int32_t fit = 0;
      std::vector<int32_t> extents;
      canvas.GetTextExtentExPoint(piece, room - used, &fit, &extents);
      // A hyphenation point is only a place to end when the hyphen fits too.
      if (fit > 0 && BreakFlags[static_cast<size_t>(at + fit - 1)] == 's' &&
          used + extents[static_cast<size_t>(fit - 1)] + WideTextWidth(canvas, u"-") > room)
        --fit;
      count += fit;
      if (fit > 0) {
        used += extents[static_cast<size_t>(fit - 1)];
        empty = false;
      }
      if (fit < static_cast<int32_t>(piece.size())) break;
      at = pieceEnd;
    }
  }
  return count + (atBreak ? 1 : 0);
}

// ---- the lines ----

namespace {

class LinePass {
 public:
  LinePass(TSection& section, pf::TCanvas& canvas, IndentManager& indents, int32_t x, int32_t y)
      : s_(section), canvas_(canvas), indents_(indents), x_(x), y_(y), top_(y), floatBottom_(y) {}

  // Breaks the whole text into lines; maxWidth grows to overlong lines.
  void Run(int32_t& maxWidth);
  int32_t FloatBottom() const { return floatBottom_; }

 private:
  char Flag(int32_t i) const { return s_.BreakFlags[static_cast<size_t>(i)]; }
  char16_t Char(int32_t i) const { return s_.Text[static_cast<size_t>(i)]; }
  int32_t Length() const { return static_cast<int32_t>(s_.Text.size()); }
  // The line may end after i.
  bool BreakAfter(int32_t i) const;
  // From i on over the blanks that follow.
  int32_t PastSpaces(int32_t i) const;
  // The end of a line from start that may take count characters; -1 when the line is to be tried again below a
  // float.
  int32_t ChooseEnd(int32_t start, int32_t count, bool floatsPlaced, int32_t& maxWidth);
  void AddEmptyLine(int32_t start, int32_t height);
  // The next line starts height lower.
  void Advance(int32_t height);
  void DoneLine(int32_t start, int32_t count, bool last);
  void ObjectSpaces(int32_t start, int32_t count, int32_t& lineHt, int32_t& descent, int32_t& before, int32_t& after);
  void Align(LineRec& line, int32_t start, int32_t count, bool last);
  // A float placed at y: its indent becomes relative to the section's x, where painting draws it.
  void PlaceFloat(TFloatingObj& object, int32_t y);
  // The same for the floats that the count placed on the line from start.
  void RebaseFloats(int32_t start, int32_t count);
  // Preformatted text takes the rest of its text as one line, unmeasured: its floats go where the count would put
  // them, those that start the line at its y and the others below it.
  void PlacePreformattedFloats(int32_t start);

  TSection& s_;
  pf::TCanvas& canvas_;
  IndentManager& indents_;
  int32_t x_, y_;
  int32_t top_;          // of the section
  int32_t floatBottom_;  // the lowest bottom of the floats placed so far
  std::vector<TFloatingObj*> floatList_;
  int32_t maxFloatHeight_ = 0;
};

bool LinePass::BreakAfter(int32_t i) const {
  if (Flag(i) == 'n') return false;
  const char16_t c = Char(i);
  if (IsBreakChar(c) || IsWide(c) || Flag(i) == 'a' || Flag(i) == 's') return true;
  // A wide character may also start a line.
  return i + 1 < Length() && IsWide(Char(i + 1)) && Flag(i + 1) != 'n';
}

int32_t LinePass::PastSpaces(int32_t i) const {
  while (i < Length() && Char(i) == u' ') ++i;
  return i;
}

int32_t LinePass::ChooseEnd(int32_t start, int32_t count, bool floatsPlaced, int32_t& maxWidth) {
  const int32_t c = start + count - 1, d = c + 1;
  const char16_t cc = Char(c), dc = Char(d);
  if (cc == kLineBreakChar || ((IsObjectChar(cc) || cc == u' ' || IsWide(cc)) && Flag(c) != 'n'))
    return PastSpaces(c + 1);
  if (dc == u' ' && Flag(d) != 'n') return PastSpaces(d + 1);
  if (IsObjectChar(dc) && Flag(c) != 'n') return d;
  for (int32_t k = c; k >= start; --k)
    if (BreakAfter(k)) return PastSpaces(k + 1);
  if (s_.BreakWord) return c + 1;
  // The word is wider than the room: it runs on to its end, unless a float ends lower down and leaves more room.
  int32_t end = d;
  while (end < Length() && !BreakAfter(end)) ++end;
  end = PastSpaces(std::min(end + 1, Length()));
  if (end < Length() && Char(end) == kLineBreakChar) ++end;
  if (!floatsPlaced && FloatEndsBelow(indents_, y_)) return -1;
  maxWidth = std::max(maxWidth, s_.MeasureTextWidth(canvas_, start, end - start, true));
  return end;
}

void LinePass::AddEmptyLine(int32_t start, int32_t height) {
  auto line = std::make_unique<LineRec>();
  line->Start = start;
  line->LineHt = line->DrawHeight = height;
  line->LineIndent = indents_.LeftEdgeAt(y_) - x_;
  line->LineWidth = indents_.RightEdgeAt(y_) - indents_.LeftEdgeAt(y_);
  s_.Lines.Add(std::move(line));
  Advance(height);
}

void LinePass::Advance(int32_t height) {
  s_.SectionHeight = GrowExtent(top_, s_.SectionHeight, height);
  y_ = top_ + s_.SectionHeight;
}

void LinePass::PlaceFloat(TFloatingObj& object, int32_t y) {
  object.DrawYY = y + object.VSpaceT;
  indents_.AddImageFloat(y, object);
  object.Indent += indents_.LfEdge - x_;
}

void LinePass::RebaseFloats(int32_t start, int32_t count) {
  for (int32_t i = start; i < start + count; ++i) {
    if (Char(i) != kImageChar) continue;
    const TSection::TextObject object = s_.ObjectAt(i);
    if (object.IsFloat() && std::find(floatList_.begin(), floatList_.end(), object.Image) == floatList_.end())
      object.Image->Indent += indents_.LfEdge - x_;
  }
}

void LinePass::PlacePreformattedFloats(int32_t start) {
  bool empty = true;
  for (int32_t i = start; i < Length(); ++i) {
    const TSection::TextObject object = IsObjectChar(Char(i)) ? s_.ObjectAt(i) : TSection::TextObject{};
    if (!object.IsFloat()) {
      empty = false;
    } else if (empty) {
      object.Image->DrawYY = y_ + object.SpaceTop;
      indents_.AddImageFloat(y_, *object.Image);
      maxFloatHeight_ = std::max(maxFloatHeight_, object.BoxHeight());
    } else {
      floatList_.push_back(object.Image);
    }
  }
}

void LinePass::Run(int32_t& maxWidth) {
  const int32_t length = Length();
  const int32_t clear = indents_.ClearSpace(s_.ClearAttr, y_);
  if (clear > 0) AddEmptyLine(0, clear);
  for (int32_t start = 0; start < length;) {
    floatList_.clear();
    maxFloatHeight_ = 0;
    const int floatsBefore = indents_.L.Count() + indents_.R.Count();
    int32_t fits = 0, take = length - start;
    if (!s_.IsPreformatted() || s_.BreakWord) {
      fits = s_.FindCountThatFits(canvas_, start, floatList_, maxFloatHeight_, indents_, y_, length - start);
      take = std::max(fits, 1);
    } else {
      PlacePreformattedFloats(start);
    }
    const bool floatsPlaced = indents_.L.Count() + indents_.R.Count() != floatsBefore;
    if (floatsPlaced) RebaseFloats(start, take);
    floatBottom_ = std::max(floatBottom_, y_ + maxFloatHeight_);
    if (fits == 0 && !floatsPlaced && FloatEndsBelow(indents_, y_)) {
      AddEmptyLine(start, indents_.NextFloatEnd(y_) - y_);
      continue;
    }
    int32_t end = length;
    if (take < length - start) {
      end = ChooseEnd(start, take, floatsPlaced, maxWidth);
      if (end < 0) {
        AddEmptyLine(start, indents_.NextFloatEnd(y_) - y_);
        continue;
      }
    }
    DoneLine(start, end - start, end >= length);
    start = end;
  }
}

// The heights objects of the line need beside its text: pictures by their alignment, then controls.
void LinePass::ObjectSpaces(int32_t start, int32_t count, int32_t& lineHt, int32_t& descent, int32_t& before,
                            int32_t& after) {
  const bool printing = s_.OwnerList && (s_.OwnerList->IsCopy || s_.OwnerList->Printing);
  for (int32_t i = start; i < start + count; ++i) {
    if (!IsObjectChar(Char(i))) continue;
    const TSection::TextObject object = s_.ObjectAt(i);
    if (object.Image && !object.IsFloat()) {
      object.Image->DrawYY = y_;
      if (auto* image = dynamic_cast<TImageObj*>(object.Image); image && image->MyFormControl)
        image->MyFormControl->PositionY = y_;
      const int32_t h = object.BoxHeight();
      if (object.Align == 1) {
        after = std::max(after, h - lineHt);
      } else if (object.Align == 2) {
        if (lineHt == 0) {
          int index = 0;
          const TFontObj* first = s_.Fonts.GetFontAt(start, index);
          lineHt = first->FontHeight;
          descent = first->Descent;
        }
        const int32_t m = (h - lineHt) / 2;
        after = std::max(after, m);
        before = std::max(before, h - lineHt - m);
      } else {
        before = std::max(before, h - (lineHt - descent));
      }
    } else if (object.Control) {
      const int32_t h = object.Height, t = object.SpaceTop, b = object.SpaceBottom;
      switch (object.Align) {
        case 1:
          after = std::max(after, t + h + b - lineHt);
          break;
        case 2: {
          const int32_t m = (h - lineHt) / 2;
          after = std::max(after, b + m);
          before = std::max(before, h - lineHt - m + t);
          break;
        }
        case 3:
          before = std::max(before, t + h + b - (lineHt - descent));
          break;
        default:
          before = std::max(before, t + h + b - lineHt);
          break;
      }
      if (!printing) object.Control->PositionY = y_;
    }
  }
}

void LinePass::Align(LineRec& line, int32_t start, int32_t count, bool last) {
  const int32_t left = indents_.LeftEdgeAt(y_) + (start == 0 ? s_.TextIndent : 0);
  const int32_t right = indents_.RightEdgeAt(y_);
  line.LineWidth = right - left;
  if (s_.Justify <= 1) {
    line.LineIndent = left - x_;
    return;
  }
  int32_t width = s_.MeasureTextWidth(canvas_, start, count, true);
  if (line.Shy) width += s_.HyphenWidth(canvas_, start + count - 1);
  switch (s_.Justify) {
    case 2:
      line.LineIndent = (left + right - width) / 2 - x_;
      break;
    case 3:
      line.LineIndent = right - x_ - width;
      break;
    default:
      line.LineIndent = left - x_;
      if (last) break;
      // An overlong line is never squeezed.
      line.Extra = std::max(0, right - left - width);
      line.Spaces = static_cast<int32_t>(std::count_if(s_.Text.begin() + start, s_.Text.begin() + start + count - 1,
                                                       [](char16_t c) { return c == u' ' || c == kNoBreakSpace; }));
      break;
  }
}

void LinePass::DoneLine(int32_t start, int32_t count, bool last) {
  auto line = std::make_unique<LineRec>();
  line->Start = start;
  line->Ln = count;
  line->FirstDraw = s_.OwnerList && s_.OwnerList->InlineList && s_.OwnerList->InlineList->Count() > 0;
  // A line of pictures and controls ending in the section's closing blank has no text height of its own.
  const int32_t end = start + count;
  const bool onlyObjects = std::all_of(s_.Text.begin() + start, s_.Text.begin() + end - 1,
                                       [](char16_t c) { return IsObjectChar(c) || c == kLineBreakChar; });
  const bool text = !(onlyObjects && end == Length() && Char(end - 1) == u' ');
  int32_t lineHt = 0, descent = 0;
  const bool printing = s_.OwnerList && (s_.OwnerList->IsCopy || s_.OwnerList->Printing);
  int runIndex = 0;
  s_.Fonts.GetFontAt(start, runIndex);
  for (int i = runIndex; i < s_.Fonts.Count() && (i == runIndex || s_.Fonts[i]->Pos < end); ++i) {
    TFontObj* run = s_.Fonts[i];
    if (text) {
      lineHt = std::max(lineHt, run->FontHeight);
      descent = std::max(descent, run->Descent);
    }
    if (!printing) run->YValue = y_;
  }
  int32_t before = 0, after = 0;
  if (s_.LineHeight >= 0) {
    const int32_t d = s_.LineHeight - lineHt;
    before = d / 2;
    after = d - before;
  }
  ObjectSpaces(start, count, lineHt, descent, before, after);
  line->LineHt = lineHt;
  line->Descent = descent;
  line->Shy = s_.BreakFlags[static_cast<size_t>(end - 1)] == 's';
  Align(*line, start, count, last);
  line->SpaceBefore = before;
  line->SpaceAfter = after;
  const int32_t height = lineHt + before + after;
  Advance(height);
  line->DrawHeight = std::max(height, maxFloatHeight_);
  for (TFloatingObj* object : floatList_) {
    if (object->Pos >= end) continue;  // the line ended before it (no break in between): the next line meets it
    PlaceFloat(*object, y_);
    const int32_t h = object->ObjHeight + object->VSpaceT + object->VSpaceB;
    line->DrawHeight = std::max(line->DrawHeight, h + height);
    floatBottom_ = std::max(floatBottom_, y_ + h);
  }
  floatList_.clear();
  s_.Lines.Add(std::move(line));
}

}  // namespace

int32_t TSection::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) {
  YPosition = DrawTop = ContentTop = y;
  StartCurs = curs;
  SectionHeight = 0;
  Lines.Clear();
  if (Text.empty()) {
    SectionHeight = DrawHeight = indents.ClearSpace(ClearAttr, y);
    ContentBottom = DrawBottom = y + SectionHeight;
    maxWidth = 0;
    RightRoom = 0;
    curs = StartCurs + Len;
    return SectionHeight;
  }
  if (TextIndentPercent > 0) TextIndent = pf::MulDiv(TextIndentPercent, availWidth, kPercent);
  RightRoom = indents.RightEdgeAt(y) - x;
  const int32_t room = std::min(indents.RightEdgeAt(y) - indents.LeftEdgeAt(y), availWidth);
  maxWidth = room;
  const int32_t percentBase = availHeight != 0 ? availHeight : availWidth;
  for (int i = 0; i < Images.Count(); ++i) {
    SizeObject(canvas, *Images[i], percentBase, room);
    maxWidth = std::max(maxWidth, Images[i]->ObjWidth);
  }
  for (int i = 0; i < FormControls.Count(); ++i) {
    TFormControlObj* control = FormControls[i];
    pf::TWinControl* window = control->GetControl();
    if (!window) continue;
    if (control->PercentWidth)
      window->SetWidth(std::max(kMinControlWidth, std::min(pf::MulDiv(room, control->Width, kPercent),
                                                           room - control->HSpaceL - control->HSpaceR)));
    maxWidth = std::max(maxWidth, window->Width());
  }

  LinePass pass(*this, canvas, indents, x, y);
  pass.Run(maxWidth);

  curs = StartCurs + Len;
  if (OwnerList && OwnerList->PendingFirstBaseline && *OwnerList->PendingFirstBaseline == 0) {
    int32_t top = ContentTop;
    for (int i = 0; i < Lines.Count(); ++i) {
      const LineRec& line = *Lines[i];
      if (line.Ln > 0) {
        *OwnerList->PendingFirstBaseline = top + line.SpaceBefore + line.LineHt - line.Descent;
        break;
      }
      top += line.SpaceBefore + line.LineHt + line.SpaceAfter;
    }
  }
  DrawHeight = std::max(pass.FloatBottom() - ContentTop, SectionHeight);
  ContentBottom = ContentTop + SectionHeight;
  DrawBottom = ContentTop + DrawHeight;
  ReportProgress();
  return SectionHeight;
}

void TSection::ReportProgress() {
  TSectionList* list = OwnerList;
  if (!list || list->IsCopy || !list->TheOwner || SectionNumber <= 0 || SectionNumber % kProgressStep != 0 ||
      list->SectionCount <= 0 || ProgressCycle == list->LayoutCounter)
    return;
  list->TheOwner->DoProgress(list->ProgressStart +
                             pf::MulDiv(kPercent - list->ProgressStart, SectionNumber, list->SectionCount));
  ProgressCycle = list->LayoutCounter;
}

// ---- narrowest and widest widths ----

void TSection::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  if (MinWidthCache > 0 && Images.Count() == 0) {
    minWidth = MinWidthCache;
    maxWidth = MaxWidthCache;
    return;
  }
  minWidth = maxWidth = 0;
  if (Text.empty()) return;
  const auto length = static_cast<int32_t>(Text.size());
  int32_t floatWidth = 0;
  for (int i = 0; i < Images.Count(); ++i) {
    TFloatingObj* object = Images[i];
    SizeObject(canvas, *object, 0, 0);
    if (object->PercentWidth) continue;
    if (object->Floating == 5 || object->Floating == 6) {
      floatWidth = BoundExtent(int64_t{floatWidth} + object->ObjWidth + object->HSpaceL + object->HSpaceR);
      BreakFlags[static_cast<size_t>(object->Pos)] = 'y';
    } else {
      minWidth = std::max(minWidth, object->ObjWidth);
    }
  }
  for (int i = 0; i < FormControls.Count(); ++i) {
    TFormControlObj* control = FormControls[i];
    if (control->PercentWidth) continue;
    int32_t left = 0, right = 0;
    minWidth =
        std::max(minWidth, std::max(0, FormControls.GetControlWidthAt(control->Pos, left, right)) + left + right);
  }

  // The widest piece between forced breaks; the first one starts with the first line's indent.
  for (int32_t start = 0, i = 0; i <= length; ++i) {
    if (i < length && Text[static_cast<size_t>(i)] != kLineBreakChar) continue;
    int32_t width = MeasureTextWidth(canvas, start, i - start, i == length);
    if (start == 0)
      width = BoundExtent(TextIndentPercent > 0 ? Scaled(width, kPercent, kPercent - TextIndentPercent)
                                                : int64_t{width} + TextIndent);
    maxWidth = std::max(maxWidth, width);
    start = i + 1;
  }
  maxWidth = BoundExtent(int64_t{maxWidth} + floatWidth);

  // The widest word (or character, when words may be broken anywhere).
  auto flag = [this](int32_t i) { return BreakFlags[static_cast<size_t>(i)]; };
  auto at = [this](int32_t i) { return Text[static_cast<size_t>(i)]; };
  int32_t i = 0;
  while (i < length && at(i) == u' ') ++i;
  while (i < length) {
    const int32_t first = i;
    bool hyphen = false;
    if (BreakWord || (IsWide(at(i)) && flag(i) == 'y')) {
      i = IsObjectChar(at(i)) || at(i) == kLineBreakChar ? i : i + 1;
    } else {
      while (i < length) {
        const char16_t c = at(i);
        if (flag(i) == 'y' && (IsBreakChar(c) || IsWide(c))) {
          if (c == u'-' || c == u'?') ++i;
          break;
        }
        ++i;
        if (flag(i - 1) == 'a' || flag(i - 1) == 's') {
          hyphen = flag(i - 1) == 's';
          break;
        }
      }
    }
    if (i > first)
      minWidth = std::max(
          minWidth, MeasureTextWidth(canvas, first, i - first, false) + (hyphen ? HyphenWidth(canvas, i - 1) : 0));
    while (i < length && (IsObjectChar(at(i)) || at(i) == kLineBreakChar || at(i) == u' ')) ++i;
    if (i == first) ++i;
  }
  minWidth = std::max(minWidth, floatWidth);
  MinWidthCache = minWidth;
  MaxWidthCache = maxWidth;
}

}  // namespace viewer
