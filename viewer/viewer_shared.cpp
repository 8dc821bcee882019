#include "viewer/viewer_shared.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/core/codepage.h"
#include "platform/core/files.h"
#include "platform/core/mathutil.h"
#include "platform/core/strings.h"
#include "platform/graphics/text_case.h"
#include "viewer/section_list.h"
#include "viewer/style_properties.h"
#include "viewer/style_sheet_parser.h"

namespace viewer {

std::unique_ptr<TSectionBase> TSectionBase::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TSectionBase>(ownerList, *this);
}

void TSectionBase::AddToPositionList() {
  if (OwnerList) OwnerList->AddToPositionList(this);
}

TFloatingObj::TFloatingObj(const TFloatingObj& source)
    : TIDObject(source),
      Pos(source.Pos),
      ObjHeight(source.ObjHeight),
      ObjWidth(source.ObjWidth),
      Floating(source.Floating),
      HSpaceL(source.HSpaceL),
      HSpaceR(source.HSpaceR),
      VSpaceT(source.VSpaceT),
      VSpaceB(source.VSpaceB),
      BorderID(source.BorderID),
      Alt(source.Alt),
      AltWide(source.AltWide) {}

std::unique_ptr<TFloatingObj> TFloatingObj::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TFloatingObj>(*this);
}

int32_t TSectionBase::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                    int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                    int32_t& maxWidth) {
  StartCurs = curs;
  DrawHeight = SectionHeight;
  maxWidth = 0;
  YPosition = DrawTop = ContentTop = y;
  ContentBottom = y + SectionHeight;
  DrawBottom = y + DrawHeight;
  return SectionHeight;
}

// ---- attributes ----

bool TAttributeList::FindSymbol(THtmlSymbol symbol, TAttribute*& attribute) const {
  for (int i = 0; i < Count(); ++i) {
    if ((*this)[i]->Which == symbol) {
      attribute = (*this)[i];
      return true;
    }
  }
  return false;
}

std::string TAttributeList::TextOf(THtmlSymbol symbol) const {
  TAttribute* attribute = nullptr;
  return FindSymbol(symbol, attribute) ? attribute->Text : "";
}

std::string TAttributeList::GetClassNames() const {
  TAttribute* attribute = nullptr;
  if (!FindSymbol(ClassSy, attribute)) return "";
  std::string joined;
  std::string rest = pf::Trim(pf::LowerCase(attribute->Text));
  while (!rest.empty()) {
    const size_t blank = std::min(rest.find(' '), rest.size());
    joined += "." + rest.substr(0, blank);
    rest = pf::Trim(rest.substr(blank));
  }
  if (joined.empty()) return "";
  return SortSelectorParts(joined).substr(1);
}

const std::string& TAttributeList::GetIdValue() {
  if (!idKnown_) {
    TAttribute* attribute = nullptr;
    id_ = FindSymbol(IDSy, attribute) ? pf::LowerCase(attribute->Text) : "";
    idKnown_ = true;
  }
  return id_;
}

std::string TAttributeList::GetTitleText() const { return TextOf(TitleSy); }

std::shared_ptr<TProperties> TAttributeList::BuildStyle() {
  TAttribute* attribute = nullptr;
  if (!FindSymbol(StyleSy, attribute)) return nullptr;
  style_ = std::make_shared<TProperties>();
  ParseInlineStyle(attribute->Text, *style_);
  return style_;
}

std::unique_ptr<pf::TStringList> TAttributeList::ToNameValueList() const {
  auto list = std::make_unique<pf::TStringList>();
  for (int i = 0; i < Count(); ++i) list->Add((*this)[i]->Name + "=" + (*this)[i]->Text);
  return list;
}

void TAttributeList::Clear() {
  id_.clear();
  idKnown_ = false;
  TFreeList<TAttribute>::Clear();
}

void TokenObj::AddCollection(const TCharCollection& collection, int codePage) {
  std::vector<int> firstBytes;
  std::u16string wide = pf::CodePageToUtf16(collection.GetText(), codePage, &firstBytes);
  if (wide.empty() && collection.GetCount() > 0)
    wide = pf::CodePageToUtf16(collection.GetText(), pf::SystemCodePage, &firstBytes);
  const std::vector<int>& sourceIndexes = collection.Indexes();
  for (size_t k = 0; k < wide.size(); ++k) AddWideChar(wide[k], sourceIndexes[static_cast<size_t>(firstBytes[k])]);
}

// ---- link targets ----

namespace {
int32_t linkCounter = 0;
}  // namespace

void TUrlTarget::SetLink(const std::string& url, const std::string& target, int32_t textStart,
                         const TAttributeList& attributes) {
  Url = url;
  Target = target;
  ID = linkCounter++;
  utText.Start = textStart;
  Attr = attributes.ToNameValueList()->Text();
}

void TUrlTarget::CopyFrom(const TUrlTarget& source) {
  Url = source.Url;
  Target = source.Target;
  ID = source.ID;
  TabIndex = source.TabIndex;
  Attr = source.Attr;
  utText = source.utText;
}

void TUrlTarget::Clear() {
  Url.clear();
  Target.clear();
  Attr.clear();
  ID = TabIndex = 0;
  utText = TutText{};
}

void TUrlTarget::SetTextEnd(const std::vector<TUrlTarget*>& linkList, int32_t last) {
  utText.Last = last;
  for (auto it = linkList.rbegin(); it != linkList.rend() && (*it)->ID == ID; ++it) (*it)->utText.Last = last;
}

// ---- selected text ----

namespace {
constexpr char16_t kFormControlChar = 2;
constexpr char16_t kPictureChar = 4;
constexpr char16_t kLineBreakChar = 8;
constexpr char16_t kCrLf[] = {u'\r', u'\n'};
}  // namespace

void SelTextCount::AddChars(const char16_t* chars, int32_t count) {
  for (int32_t i = 0; i < count; ++i)
    if (chars[i] != kFormControlChar && chars[i] != kPictureChar) ++Len;
}

void SelTextCount::AddCharsWithBreak(const char16_t* chars, int32_t count) {
  AddChars(chars, count);
  AddChars(kCrLf, 2);
}

void SelTextBuf::Put(char16_t ch) {
  if (Len < BufferSize - 1) Buffer[Len++] = ch;
}

// A forced line break ends its section, which adds the line break when the selection runs past it.
void SelTextBuf::AddChars(const char16_t* chars, int32_t count) {
  for (int32_t i = 0; i < count; ++i)
    if (chars[i] != kFormControlChar && chars[i] != kPictureChar && chars[i] != kLineBreakChar) Put(chars[i]);
}

int32_t SelTextBuf::Finish() {
  if (BufferSize <= 0) return 0;
  Buffer[Len] = 0;
  return Len + 1;
}

// ---- ID names ----

int32_t TChPosObj::GetPositionY() {
  int32_t y = 0;
  return OwnerList && OwnerList->GetYOfCharPos(ChPos, y) ? y : 0;
}

bool TIDNameList::NoCase::operator()(const std::string& a, const std::string& b) const {
  return pf::AnsiCompareText(a, b) < 0;
}

void TIDNameList::AddObject(const std::string& name, TIDObject* object) { entries_[name] = Entry{object, nullptr}; }

void TIDNameList::AddCharPosition(const std::string& name, int32_t chPos) {
  auto position = std::make_unique<TChPosObj>(OwnerList, chPos);
  TIDObject* object = position.get();
  entries_[name] = Entry{object, std::move(position)};
}

void TIDNameList::RemoveObject(const TIDObject* object) {
  std::erase_if(entries_, [object](const auto& entry) { return entry.second.object == object; });
}

bool TIDNameList::Find(std::string_view name, TIDObject*& object) const {
  auto it = entries_.find(std::string(name));
  if (it == entries_.end()) return false;
  object = it->second.object;
  return true;
}

// ---- string and path helpers ----

int PosFrom(std::string_view sub, std::string_view s, int start) {
  const size_t from = start <= 1 ? 0 : static_cast<size_t>(start - 1);
  if (sub.empty() || from > s.size()) return 0;
  const size_t at = s.find(sub, from);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string ReplaceChar(std::string_view s, char from, char to) {
  std::string out(s);
  std::replace(out.begin(), out.end(), from, to);
  return out;
}

std::string DecodePercentEscapes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const int code = s[i] == '%' && i + 2 < s.size() && HexDigitValue(s[i + 1]) >= 0 && HexDigitValue(s[i + 2]) >= 0
                         ? HexDigitValue(s[i + 1]) * 16 + HexDigitValue(s[i + 2])
                         : 0;
    if (code != 0) {
      out.push_back(static_cast<char>(code));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::string UrlToDosPath(std::string_view s) {
  std::string path = DecodePercentEscapes(s);
  // Windows file URLs carry a drive after "file:///"; here the path itself begins with the root "/".
  if (path.find('/') != std::string::npos && pf::SameText(pf::Copy(path, 1, 5), "file:")) {
    size_t slashes = path.find_first_not_of('/', 5);
    if (slashes == std::string::npos) slashes = path.size();
    path = slashes > 5 ? "/" + path.substr(slashes) : path.substr(5);
  }
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::string UrlToRootedDosPath(std::string_view s, std::string_view root) {
  std::string path = pf::Trim(UrlToDosPath(s));
  if (root.empty() || path.size() < 1 || path[0] != '/' || (path.size() > 1 && path[1] == '/')) return path;
  std::string rooted = pf::ExcludeTrailingPathDelimiter(root) + path;
  return pf::FileExists(rooted) ? rooted : path;
}

const char16_t* WideStrPos(const char16_t* s, const char16_t* sub) {
  const std::u16string_view text(s), wanted(sub);
  const size_t at = text.find(wanted);
  return at == std::u16string_view::npos ? nullptr : s + at;
}

const char16_t* WideStrScan(const char16_t* s, char16_t ch) {
  const size_t at = std::u16string_view(s).find(ch);
  return at == std::u16string_view::npos ? nullptr : s + at;
}

const char16_t* WideStrRScan(const char16_t* s, char16_t ch) {
  const size_t at = std::u16string_view(s).rfind(ch);
  return at == std::u16string_view::npos ? nullptr : s + at;
}

int WideSubstringPos(std::u16string_view sub, std::u16string_view s) {
  const size_t at = s.find(sub);
  return sub.empty() || at == std::u16string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::u16string UpperCaseWide(std::u16string_view s) {
  std::u16string out(s);
  pf::CharUpperBuffW(out);
  return out;
}

std::u16string LowerCaseWide(std::u16string_view s) {
  std::u16string out(s);
  pf::CharLowerBuffW(out);
  return out;
}

std::u16string TrimWide(std::u16string_view s) {
  size_t first = 0, last = s.size();
  while (first < last && s[first] < 33) ++first;
  while (last > first && s[last - 1] < 33) --last;
  return std::u16string(s.substr(first, last - first));
}

std::u16string AnsiToWideInCodePage(std::string_view s, int codePage) {
  std::u16string wide = pf::CodePageToUtf16(s, codePage);
  if (wide.empty() && !s.empty()) wide = pf::CodePageToUtf16(s, pf::SystemCodePage);
  return wide;
}

std::string WideToAnsiInCodePage(std::u16string_view w, int codePage) {
  std::string bytes = pf::Utf16ToCodePage(w, codePage);
  if (bytes.empty() && !w.empty()) bytes = pf::Utf16ToCodePage(w, pf::SystemCodePage);
  return bytes;
}

int CharByteCount(std::string_view s, int codePage) { return pf::CharByteCount(s, codePage); }

int32_t WideTextWidth(pf::TCanvas& canvas, std::u16string_view w) { return canvas.TextExtentW(w).cx; }

int32_t CountFittingChars(pf::TCanvas& canvas, std::u16string_view w, int32_t width, int32_t& extent) {
  int32_t fit = 0;
  std::vector<int32_t> extents;
  canvas.GetTextExtentExPoint(w, width, &fit, &extents);
  extent = fit > 0 ? extents[static_cast<size_t>(fit - 1)] : 0;
  return fit;
}

void DrawWrappedTextW(pf::TCanvas& canvas, const pf::TRect& r, std::u16string_view w) {
  const uint32_t oldAlign = canvas.SetTextAlign(pf::TA_LEFT | pf::TA_TOP);
  pf::TRect box = r;
  canvas.DrawTextW(w, box, pf::DT_WORDBREAK);
  canvas.SetTextAlign(oldAlign);
}

TMemRec AllocateMemRec(size_t size) { return TMemRec{std::make_unique<uint8_t[]>(size), size}; }

void FreeMemRec(TMemRec& rec) {
  rec.Data.reset();
  rec.Size = 0;
}

int64_t Scaled(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  const int64_t product = a * b;
  int64_t quotient = product / c;
  const int64_t remainder = product % c;
  if (2 * std::abs(remainder) >= std::abs(c)) quotient += (product < 0) != (c < 0) ? -1 : 1;
  return quotient;
}

void HoldRun(std::vector<int32_t>& sizes) {
  int64_t sum = 0;
  for (int32_t& size : sizes) {
    size = static_cast<int32_t>(std::clamp<int64_t>(size, -kMaxLayoutExtent - sum, kMaxLayoutExtent - sum));
    sum += size;
  }
}

int32_t RoundLength(double pixels) {
  if (std::isnan(pixels)) return 0;
  return static_cast<int32_t>(pf::Round(std::clamp<double>(pixels, -kMaxLayoutLength, kMaxLayoutLength)));
}

}  // namespace viewer
