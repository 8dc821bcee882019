// The Qt font service: metric-compatible faces through the alias table, whole-pixel advances from the face's own
// advance table, vertical metrics from its OS/2 and hhea tables as the classic platform computes them.
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QRawFont>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <map>
#include <thread>
#include <unordered_map>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/graphics/canvas_qt.h"

namespace pf {

namespace {
void (*applicationFactory)() = nullptr;
}  // namespace

void SetGuiApplicationFactory(void (*factory)()) { applicationFactory = factory; }

void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  if (applicationFactory != nullptr) {
    applicationFactory();
    return;
  }
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "pexu";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

namespace {

// The thread that fills the font database. It is started before the application object, so that it is running by
// the time the object exists (a new thread can take milliseconds to be first scheduled), and waits for the word.
class FontDatabaseFiller {
 public:
  static FontDatabaseFiller& Instance() {
    static FontDatabaseFiller filler;
    return filler;
  }
  void Fill() { state_.store(kFill, std::memory_order_release); }

 private:
  enum : int { kWait, kFill, kQuit };
  FontDatabaseFiller()
      : thread_([this] {
          int state = kWait;
          while ((state = state_.load(std::memory_order_acquire)) == kWait) std::this_thread::yield();
          if (state == kFill) QFontDatabase::families();
        }) {}
  // At the end of the process: the work is long done, or never began (no application object was made).
  ~FontDatabaseFiller() {
    int waiting = kWait;
    state_.compare_exchange_strong(waiting, kQuit);
    thread_.join();
  }
  std::atomic<int> state_{kWait};
  std::thread thread_;
};

}  // namespace

void StartFontDatabaseFiller() { FontDatabaseFiller::Instance(); }

void FillFontDatabaseInBackground() { FontDatabaseFiller::Instance().Fill(); }

namespace {

int16_t S16(const QByteArray& t, int offset) {
  if (t.size() < offset + 2) return 0;
  return int16_t((uint8_t(t[offset]) << 8) | uint8_t(t[offset + 1]));
}
uint16_t U16(const QByteArray& t, int offset) { return uint16_t(S16(t, offset)); }

int32_t RoundI(double v) { return int32_t(std::floor(v + 0.5)); }

// A face file at one pixel size and style, with the metrics and glyph advances taken from it. Every description that
// resolves to the same file, size and style shares one (names that differ in case or are aliases, character sets,
// underline and strike-out). The metrics come from the face's tables alone: a glyph's hinted advance runs the font's
// hinting, so advances are measured when a character is first used.
class QtFaceSource {
 public:
  QtFaceSource(QRawFont raw, int32_t pixelSize, bool fixedPitch) : raw_(std::move(raw)) {
    const QByteArray os2 = raw_.fontTable("OS/2");
    const QByteArray hhea = raw_.fontTable("hhea");
    const QByteArray head = raw_.fontTable("head");
    const QByteArray post = raw_.fontTable("post");
    double upem = head.size() >= 20 ? U16(head, 18) : 0;
    auto& m = metrics;
    if (upem > 0 && os2.size() >= 78 && hhea.size() >= 12) {
      double scale = pixelSize / upem;
      double winAscent = U16(os2, 74), winDescent = U16(os2, 76);
      m.tmHeight = RoundI((winAscent + winDescent) * scale);
      m.tmAscent = RoundI(winAscent * scale);
      m.tmDescent = m.tmHeight - m.tmAscent;
      double hheaAscender = S16(hhea, 4), hheaDescender = S16(hhea, 6), lineGap = S16(hhea, 8);
      double external = std::max(0.0, lineGap - ((winAscent + winDescent) - (hheaAscender - hheaDescender)));
      m.tmExternalLeading = RoundI(external * scale);
      m.tmAveCharWidth = RoundI(S16(os2, 2) * scale);
      // The widest advance of the face: a hinted advance is the scaled one rounded to whole pixels.
      m.tmMaxCharWidth = int32_t(std::ceil(U16(hhea, 10) * scale));
      if (const int32_t average = ClassicAverageWidth(hhea, scale); average >= 0) m.tmAveCharWidth = average;
      strikeOutOffset = -RoundI(S16(os2, 28) * scale);
      int32_t strikeSize = std::max(1, RoundI(S16(os2, 26) * scale));
      if (post.size() >= 12) {
        underlineOffset = std::max(1, RoundI(-S16(post, 8) * scale));
        lineThickness = std::max(1, RoundI(S16(post, 10) * scale));
      } else {
        lineThickness = strikeSize;
      }
    } else {
      m.tmAscent = int32_t(std::ceil(raw_.ascent()));
      m.tmDescent = int32_t(std::ceil(raw_.descent()));
      m.tmHeight = m.tmAscent + m.tmDescent;
      m.tmExternalLeading = std::max(0, RoundI(raw_.leading()));
      m.tmAveCharWidth = RoundI(raw_.averageCharWidth());
      m.tmMaxCharWidth = int32_t(std::ceil(raw_.maxCharWidth()));
      underlineOffset = std::max(1, RoundI(raw_.underlinePosition()));
      lineThickness = std::max(1, RoundI(raw_.lineThickness()));
      strikeOutOffset = -std::max(1, m.tmAscent / 3);
    }
    m.tmInternalLeading = std::max(0, m.tmHeight - pixelSize);
    m.tmPitchAndFamily = fixedPitch ? 0x06 : 0x07;
  }

  // The metrics that do not depend on the description's style flags and character set.
  TTextMetric metrics;
  int32_t underlineOffset = 1;
  int32_t strikeOutOffset = -3;
  int32_t lineThickness = 1;

  int32_t Advance(char32_t c) const { return GlyphOf(c).advance; }
  quint32 GlyphIndex(char32_t c) const { return GlyphOf(c).index; }
  const QRawFont& Raw() const { return raw_; }

 private:
  struct Glyph {
    quint32 index = 0;
    int32_t advance = 0;
  };

  // The average width by the classic weighting of the lower-case letters and the space (newer faces store an
  // average over all their glyphs, which the metric-compatible ones do not share with the faces they replace), from
  // the design advances of the hmtx table; -1 when the face lacks one of the letters or the table.
  int32_t ClassicAverageWidth(const QByteArray& hhea, double scale) const {
    static const std::pair<char, int> kWeights[] = {
        {'a', 64}, {'b', 14}, {'c', 27}, {'d', 35}, {'e', 100}, {'f', 20}, {'g', 14}, {'h', 42}, {'i', 63},
        {'j', 3},  {'k', 6},  {'l', 35}, {'m', 20}, {'n', 56},  {'o', 56}, {'p', 17}, {'q', 4},  {'r', 49},
        {'s', 56}, {'t', 71}, {'u', 31}, {'v', 10}, {'w', 18},  {'x', 3},  {'y', 18}, {'z', 2},  {' ', 166}};
    const QByteArray hmtx = raw_.fontTable("hmtx");
    const int metricCount = hhea.size() >= 36 ? U16(hhea, 34) : 0;
    if (metricCount == 0 || hmtx.size() < 4 * metricCount) return -1;
    QString letters;
    for (const auto& [c, weight] : kWeights) letters += QLatin1Char(c);
    const QList<quint32> ids = raw_.glyphIndexesForString(letters);
    if (ids.size() != letters.size() || ids.contains(0)) return -1;
    double weighted = 0;
    for (qsizetype i = 0; i < ids.size(); ++i) {
      // Glyphs past the last full metric share its advance.
      const int entry = std::min(int(ids[i]), metricCount - 1);
      weighted += U16(hmtx, 4 * entry) * scale * kWeights[i].second;
    }
    return RoundI(weighted / 1000);
  }

  // The glyph of a character, looked up once and cached.
  const Glyph& GlyphOf(char32_t c) const {
    auto it = glyphs_.find(c);
    if (it == glyphs_.end()) it = glyphs_.emplace(c, Lookup(c)).first;
    return it->second;
  }
  Glyph Lookup(char32_t c) const {
    QString s = QString::fromUcs4(&c, 1);
    QList<quint32> ids = raw_.glyphIndexesForString(s);
    Glyph g;
    if (ids.isEmpty()) return g;
    g.index = ids.front();
    QList<QPointF> adv = raw_.advancesForGlyphIndexes(ids);
    if (!adv.isEmpty()) g.advance = std::max(0, RoundI(adv.front().x()));
    return g;
  }
  QRawFont raw_;
  mutable std::unordered_map<char32_t, Glyph> glyphs_;
};

class QtFace : public TFontFace {
 public:
  QtFace(std::shared_ptr<const QtFaceSource> source, const std::string& familyName, const TFontDesc& desc)
      : source_(std::move(source)) {
    familyName_ = familyName;
    metrics_ = source_->metrics;
    underlineOffset_ = source_->underlineOffset;
    strikeOutOffset_ = source_->strikeOutOffset;
    lineThickness_ = source_->lineThickness;
    auto& m = metrics_;
    m.tmWeight = (desc.Style & fsBold) ? 700 : 400;
    m.tmItalic = (desc.Style & fsItalic) ? 1 : 0;
    m.tmUnderlined = (desc.Style & fsUnderline) ? 1 : 0;
    m.tmStruckOut = (desc.Style & fsStrikeOut) ? 1 : 0;
    m.tmCharSet =
        desc.Charset == DEFAULT_CHARSET || desc.Charset == SYMBOL_CHARSET ? uint8_t(ANSI_CHARSET) : desc.Charset;
  }

  int32_t CharWidth(char32_t c) const override {
    if (c < 32 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return 0;
    return source_->Advance(c);
  }

  void DrawGlyphs(TGlyphPainter& painter, int32_t x, int32_t baseline, std::u16string_view text,
                  const std::vector<int32_t>& positions, int32_t width) const override {
    QList<quint32> indexes;
    QList<QPointF> points;
    for (size_t i = 0; i < text.size() && i < positions.size(); ++i) {
      char32_t c = CodePointAt(text, i);
      if (c > 0x20 && c != 0xA0 && !(c >= 0xD800 && c <= 0xDFFF)) {  // no glyph for blanks and controls
        indexes.push_back(source_->GlyphIndex(c));
        points.push_back(QPointF(positions[i], 0));
      }
      if (c >= 0x10000) ++i;
    }
    QPainter& p = painter.painter;
    if (!indexes.isEmpty()) {
      QGlyphRun run;
      run.setRawFont(source_->Raw());
      run.setGlyphIndexes(indexes);
      run.setPositions(points);
      p.setPen(painter.color);
      p.drawGlyphRun(QPointF(x, baseline), run);
    }
    if (metrics_.tmUnderlined) p.fillRect(x, baseline + underlineOffset_, width, lineThickness_, painter.color);
    if (metrics_.tmStruckOut) p.fillRect(x, baseline + strikeOutOffset_, width, lineThickness_, painter.color);
  }

 private:
  std::shared_ptr<const QtFaceSource> source_;
};

class QtFontService : public IFontService {
 public:
  std::shared_ptr<const TFontFace> Realize(const TFontDesc& desc) override {
    EnsureGuiApplication();
    if (cacheGeneration_ != FontServiceGeneration()) {  // families were added: a fallback may now resolve
      cache_.clear();
      bases_.clear();
      sources_.clear();
      cacheGeneration_ = FontServiceGeneration();
    }
    std::string key = desc.Name + "|" + std::to_string(desc.Height) + "|" + std::to_string(desc.Style) + "|" +
                      std::to_string(desc.Charset) + "|" + std::to_string(int(desc.Pitch)) + "|" +
                      std::to_string(int(desc.Quality));
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;

    std::string shownName, family;
    for (const std::string& name : SplitFontNames(desc.Name)) {
      family = RealFamily(name);
      if (!family.empty()) {
        shownName = name;
        break;
      }
    }
    if (family.empty()) {
      family = RealFamily("Liberation Sans");
      if (family.empty()) family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString();
      shownName = "Arial";
    }
    QFont font(QString::fromStdString(family));
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(
        QFont::StyleStrategy(QFont::PreferNoShaping | QFont::NoFontMerging |
                             (desc.Quality == fqNonAntialiased ? QFont::NoAntialias : QFont::PreferDefault)));
    font.setBold((desc.Style & fsBold) != 0);
    font.setItalic((desc.Style & fsItalic) != 0);
    const std::string faceKey = family + "|" + std::to_string(int(font.bold())) + "|" +
                                std::to_string(int(font.italic())) + "|" +
                                std::to_string(int(desc.Quality == fqNonAntialiased));
    // The face file at its first size; other sizes are made from it without matching the font again.
    auto base = bases_.find(faceKey);
    if (base == bases_.end()) {
      font.setPixelSize(desc.Height < 0 ? std::clamp(-desc.Height, 1, 2000) : 100);
      base = bases_.emplace(faceKey, FaceBase{QRawFont::fromFont(font), QFontInfo(font).fixedPitch()}).first;
    }
    int32_t pixelSize = 16;
    if (desc.Height < 0) {
      pixelSize = -desc.Height;
    } else if (desc.Height > 0) {
      // A cell height: the em size that gives it.
      const QRawFont& probe = base->second.raw;
      QByteArray os2 = probe.fontTable("OS/2"), head = probe.fontTable("head");
      double cell = os2.size() >= 78 ? double(U16(os2, 74)) + U16(os2, 76) : 0;
      double upem = head.size() >= 20 ? U16(head, 18) : 0;
      pixelSize = cell > 0 && upem > 0 ? RoundI(desc.Height * upem / cell) : desc.Height;
    }
    pixelSize = std::clamp(pixelSize, 1, 2000);
    std::shared_ptr<const QtFaceSource>& source = sources_[faceKey + "|" + std::to_string(pixelSize)];
    if (!source) {
      QRawFont raw = base->second.raw;
      if (raw.pixelSize() != pixelSize) raw.setPixelSize(pixelSize);
      source = std::make_shared<QtFaceSource>(std::move(raw), pixelSize, base->second.fixedPitch);
    }
    auto face = std::make_shared<QtFace>(source, shownName, desc);
    cache_[key] = face;
    return face;
  }

  bool HasFamily(std::string_view name) override {
    EnsureGuiApplication();
    return !RealFamily(Trim(name)).empty();
  }

  std::vector<std::string> Families() override {
    EnsureGuiApplication();
    std::vector<std::string> result;
    static const char* windowsNames[] = {"Times New Roman", "Arial", "Helvetica", "Courier New", "Verdana"};
    for (const char* n : windowsNames)
      if (HasFamily(n)) result.push_back(n);
    for (const QString& f : QFontDatabase::families()) result.push_back(f.toLatin1().toStdString());
    return result;
  }

 private:
  // The installed family for a Windows or real name, "" when none.
  static std::string RealFamily(const std::string& name) {
    std::string wanted = FontAliasTarget(name);
    if (wanted.empty()) wanted = name;
    QString q = QString::fromLatin1(wanted.data(), qsizetype(wanted.size()));
    for (const QString& f : QFontDatabase::families())
      if (f.compare(q, Qt::CaseInsensitive) == 0) return f.toStdString();
    return "";
  }
  struct FaceBase {
    QRawFont raw;
    bool fixedPitch;
  };
  std::map<std::string, std::shared_ptr<const TFontFace>> cache_;
  std::map<std::string, FaceBase> bases_;                               // by family and style
  std::map<std::string, std::shared_ptr<const QtFaceSource>> sources_;  // by family, style and pixel size
  uint64_t cacheGeneration_ = 0;
};

}  // namespace

std::shared_ptr<IFontService> CreateQtFontService() { return std::make_shared<QtFontService>(); }

std::vector<std::string> RegisterFontFile(const std::string& path) {
  EnsureGuiApplication();
  const int id = QFontDatabase::addApplicationFont(QFile::decodeName(path.c_str()));
  if (id < 0) throw EInvalidGraphic("Cannot load the font file \"" + path + "\"");
  std::vector<std::string> families;
  for (const QString& family : QFontDatabase::applicationFontFamilies(id)) families.push_back(family.toStdString());
  FontsChanged();
  return families;
}

}  // namespace pf
