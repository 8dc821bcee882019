#include "platform/graphics/fonts.h"

#include <QPainter>
#include <algorithm>
#include <map>
#include <mutex>

#include "platform/core/mathutil.h"
#include "platform/core/strings.h"
#include "platform/graphics/canvas_qt.h"

namespace pf {

// ---- TFont ----

void TFont::Assign(const TPersistent& source) {
  if (auto* f = dynamic_cast<const TFont*>(&source)) {
    desc_ = f->desc_;
    color_ = f->color_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

void TFont::Changed() {
  if (OnChange) OnChange(*this);
}

void TFont::SetName(const std::string& value) { Change(desc_.Name, value); }
void TFont::SetHeight(int32_t value) { Change(desc_.Height, value); }

int32_t TFont::Size() const { return -MulDiv(desc_.Height, 72, kPixelsPerInch); }

void TFont::SetSize(int32_t points) { SetHeight(-PointsToPixels(points)); }

void TFont::SetColor(TColor value) { Change(color_, value); }
void TFont::SetStyle(TFontStyles value) { Change(desc_.Style, value); }
void TFont::SetCharset(uint8_t value) { Change(desc_.Charset, value); }
void TFont::SetPitch(TFontPitch value) { Change(desc_.Pitch, value); }
void TFont::SetQuality(TFontQuality value) { Change(desc_.Quality, value); }
void TFont::SetEscapement(int32_t tenthsOfDegrees) { Change(desc_.Escapement, tenthsOfDegrees); }
void TFont::SetDesc(const TFontDesc& desc) { Change(desc_, desc); }

int32_t PointsToPixels(int32_t points) { return MulDiv(points, kPixelsPerInch, 72); }

// ---- faces ----

std::vector<int32_t> TFontFace::TextAdvances(std::u16string_view text) const {
  std::vector<int32_t> result(text.size(), 0);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = CodePointAt(text, i);
    result[i] = CharWidth(c);  // 0 for a lone surrogate
    if (c >= 0x10000) ++i;     // the low unit keeps 0
  }
  return result;
}

// ---- the service in use ----

namespace {

std::shared_ptr<IFontService>& CurrentService() {
  static std::shared_ptr<IFontService> service;
  return service;
}
uint64_t serviceGeneration = 1;

struct Alias {
  const char* windowsName;
  const char* linuxName;
};
const Alias kAliases[] = {
    {"times new roman", "Liberation Serif"}, {"arial", "Liberation Sans"}, {"helvetica", "Liberation Sans"},
    {"courier new", "Liberation Mono"},      {"verdana", "DejaVu Sans"},
};

}  // namespace

IFontService& FontService() {
  auto& service = CurrentService();
  if (!service) service = CreateQtFontService();
  return *service;
}

void SetFontService(std::shared_ptr<IFontService> service) {
  CurrentService() = std::move(service);
  FontsChanged();
}

void FontsChanged() { ++serviceGeneration; }

uint64_t FontServiceGeneration() { return serviceGeneration; }

std::vector<std::string> SplitFontNames(std::string_view list) {
  std::vector<std::string> names;
  for (size_t start = 0; start <= list.size();) {
    size_t comma = std::min(list.find(',', start), list.size());
    std::string name = Trim(list.substr(start, comma - start));
    if (!name.empty()) names.push_back(std::move(name));
    start = comma + 1;
  }
  return names;
}

std::string FontAliasTarget(std::string_view windowsName) {
  std::string name = LowerCase(Trim(windowsName));
  for (const auto& a : kAliases)
    if (name == a.windowsName) return a.linuxName;
  return "";
}

// ---- fixed-metric service ----

namespace {

class FixedFace : public TFontFace {
 public:
  FixedFace(const TFontDesc& desc, const std::string& family) {
    familyName_ = family;
    px_ = desc.Height < 0 ? -desc.Height : desc.Height > 0 ? desc.Height * 4 / 5 : 16;
    if (px_ < 1) px_ = 1;
    bold_ = (desc.Style & fsBold) ? 1 : 0;
    auto& m = metrics_;
    m.tmInternalLeading = px_ / 4;
    m.tmHeight = px_ + px_ / 4;
    m.tmDescent = m.tmHeight / 5;
    m.tmAscent = m.tmHeight - m.tmDescent;
    m.tmExternalLeading = px_ / 8;
    m.tmAveCharWidth = px_ / 2 + bold_;
    m.tmMaxCharWidth = px_ * 3 / 4 + bold_;
    m.tmWeight = bold_ ? 700 : 400;
    m.tmItalic = (desc.Style & fsItalic) ? 1 : 0;
    m.tmUnderlined = (desc.Style & fsUnderline) ? 1 : 0;
    m.tmStruckOut = (desc.Style & fsStrikeOut) ? 1 : 0;
    fixedPitch_ = family == "Courier New" || family == "Fixed";
    if (fixedPitch_) m.tmAveCharWidth = m.tmMaxCharWidth = px_ * 3 / 5 + bold_;
    m.tmPitchAndFamily = fixedPitch_ ? 0x06 : 0x07;
    m.tmCharSet =
        desc.Charset == DEFAULT_CHARSET || desc.Charset == SYMBOL_CHARSET ? uint8_t(ANSI_CHARSET) : desc.Charset;
    glyphHeight_ = m.tmAscent - m.tmInternalLeading;
    underlineOffset_ = 1;
    strikeOutOffset_ = -(glyphHeight_ / 2);
    lineThickness_ = 1;
  }

  int32_t CharWidth(char32_t c) const override {
    if (c < 32 || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    if (fixedPitch_) return px_ * 3 / 5 + bold_;
    static const std::u32string narrow = U" il.,;:'!|";
    if (narrow.find(c) != std::u32string::npos) return std::max(1, px_ / 4) + bold_;
    if ((c >= 'A' && c <= 'Z') || c == 'm' || c == 'w' || c == '@') return px_ * 3 / 4 + bold_;
    return px_ / 2 + bold_;
  }

  void DrawGlyphs(TGlyphPainter& painter, int32_t x, int32_t baseline, std::u16string_view text,
                  const std::vector<int32_t>& positions, int32_t width) const override {
    std::vector<int32_t> advances = TextAdvances(text);
    for (size_t i = 0; i < text.size() && i < positions.size(); ++i) {
      if (advances[i] <= 1 || text[i] == 0x20 || text[i] == 0xA0) continue;
      painter.painter.fillRect(x + positions[i], baseline - glyphHeight_, advances[i] - 1, glyphHeight_, painter.color);
    }
    if (metrics_.tmUnderlined) painter.painter.fillRect(x, baseline + underlineOffset_, width, 1, painter.color);
    if (metrics_.tmStruckOut) painter.painter.fillRect(x, baseline + strikeOutOffset_, width, 1, painter.color);
  }

 private:
  int32_t px_ = 16;
  int32_t bold_ = 0;
  int32_t glyphHeight_ = 0;
  bool fixedPitch_ = false;
};

const char* const kFixedFamilies[] = {"Times New Roman", "Arial", "Helvetica", "Courier New", "Verdana", "Fixed"};

class FixedMetricService : public IFontService {
 public:
  std::shared_ptr<const TFontFace> Realize(const TFontDesc& desc) override {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string key = desc.Name + "|" + std::to_string(desc.Height) + "|" + std::to_string(desc.Style) + "|" +
                      std::to_string(desc.Charset);
    auto& face = cache_[key];
    if (!face) {
      std::string family = "Arial";
      for (const auto& name : SplitFontNames(desc.Name))
        if (const char* known = Known(name)) {
          family = known;
          break;
        }
      face = std::make_shared<FixedFace>(desc, family);
    }
    return face;
  }
  bool HasFamily(std::string_view name) override { return Known(Trim(name)) != nullptr; }
  std::vector<std::string> Families() override { return {std::begin(kFixedFamilies), std::end(kFixedFamilies)}; }

 private:
  // The family's own spelling, nullptr when the service does not offer it.
  static const char* Known(std::string_view name) {
    for (const char* f : kFixedFamilies)
      if (SameText(f, name)) return f;
    return nullptr;
  }
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const TFontFace>> cache_;
};

}  // namespace

std::shared_ptr<IFontService> CreateFixedMetricFontService() { return std::make_shared<FixedMetricService>(); }

}  // namespace pf
