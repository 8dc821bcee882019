// TClipboard over the core's clipboard service, and the desktop's clipboard as that service.
#include "platform/ui/clipbrd.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <memory>

#include "platform/core/codepage.h"
#include "platform/core/exceptions.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/host_qt.h"

namespace pf {

namespace {

std::vector<uint8_t> Utf16Bytes(const std::u16string& text) {
  std::vector<uint8_t> bytes;
  for (char16_t c : text) bytes.push_back(static_cast<uint8_t>(c)), bytes.push_back(static_cast<uint8_t>(c >> 8));
  return bytes;
}

std::u16string FromUtf16Bytes(const std::vector<uint8_t>& bytes) {
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return text;
}

// The desktop's clipboard: the formats as the toolkit's types (text, image, and the registered types).
class DesktopClipboard : public IClipboardService {
 public:
  void Open() override { ++openCount_; }
  void Close() override {
    if (openCount_ > 0 && --openCount_ == 0) Publish();
  }
  void Clear() override {
    pending_ = std::make_unique<QMimeData>();
    if (openCount_ == 0) Publish();
  }
  bool HasFormat(uint16_t format) override {
    const QMimeData* m = Current();
    if (m == nullptr) return false;
    if (format == CF_TEXT || format == CF_UNICODETEXT) return m->hasText();
    if (format == CF_BITMAP) return m->hasImage();
    const std::string type = ClipboardFormatMimeType(format);
    return !type.empty() && m->hasFormat(QString::fromStdString(type));
  }
  std::optional<std::vector<uint8_t>> GetData(uint16_t format) override {
    if (!HasFormat(format)) return std::nullopt;
    const QMimeData* m = Current();
    if (format == CF_TEXT) {
      const std::string text = FromQString(m->text());
      return std::vector<uint8_t>(text.begin(), text.end());
    }
    if (format == CF_UNICODETEXT) return Utf16Bytes(m->text().toStdU16String());
    if (format == CF_BITMAP) {
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      if (!qvariant_cast<QImage>(m->imageData()).save(&buffer, "BMP")) return std::nullopt;
      return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }
    const QByteArray bytes = m->data(QString::fromStdString(ClipboardFormatMimeType(format)));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }
  bool SetData(uint16_t format, std::vector<uint8_t> data) override {
    if (!pending_) pending_ = std::make_unique<QMimeData>();
    const auto* chars = reinterpret_cast<const char*>(data.data());
    const auto size = static_cast<qsizetype>(data.size());
    bool stored = true;
    if (format == CF_TEXT) {
      if (!pending_->hasText()) pending_->setText(QString::fromLatin1(chars, size));  // Unicode text says more
    } else if (format == CF_UNICODETEXT) {
      const std::u16string text = FromUtf16Bytes(data);
      pending_->setText(QString::fromStdU16String(text));
    } else if (format == CF_BITMAP) {
      const QImage image = QImage::fromData(data.data(), static_cast<int>(data.size()), "BMP");
      stored = !image.isNull();
      if (stored) pending_->setImageData(image);
    } else {
      const std::string type = ClipboardFormatMimeType(format);
      stored = !type.empty();
      if (stored) pending_->setData(QString::fromStdString(type), QByteArray(chars, size));
    }
    if (openCount_ == 0) Publish();
    return stored;
  }

 private:
  const QMimeData* Current() const {
    if (pending_) return pending_.get();
    EnsureUi();
    return QGuiApplication::clipboard()->mimeData();
  }
  void Publish() {
    if (!pending_) return;
    EnsureUi();
    QGuiApplication::clipboard()->setMimeData(pending_.release());
  }
  int openCount_ = 0;
  std::unique_ptr<QMimeData> pending_;
};

// Runs f between Open and Close.
template <class F>
void Bracketed(F f) {
  IClipboardService& service = ClipboardService();
  service.Open();
  struct Closer {
    IClipboardService& service;
    ~Closer() { service.Close(); }
  } closer{service};
  f(service);
}

}  // namespace

void InstallClipboardService() {
  static DesktopClipboard service;
  SetClipboardService(&service);
}

TClipboard& Clipboard() {
  static TClipboard clipboard;
  return clipboard;
}

void TClipboard::Open() { ClipboardService().Open(); }
void TClipboard::Close() { ClipboardService().Close(); }
void TClipboard::Clear() { ClipboardService().Clear(); }
bool TClipboard::HasFormat(uint16_t format) const { return ClipboardService().HasFormat(format); }

std::vector<uint8_t> TClipboard::GetData(uint16_t format) const {
  return ClipboardService().GetData(format).value_or(std::vector<uint8_t>{});
}

void TClipboard::SetData(uint16_t format, const std::vector<uint8_t>& data) {
  Bracketed([&](IClipboardService& s) {
    if (!s.SetData(format, data)) throw EConvertError("Cannot store that clipboard format");
  });
}

std::string TClipboard::AsText() const {
  if (std::optional<std::vector<uint8_t>> text = ClipboardService().GetData(CF_TEXT))
    return std::string(text->begin(), text->end());
  return Utf16ToLatin1(AsWideText());
}

std::u16string TClipboard::AsWideText() const {
  if (std::optional<std::vector<uint8_t>> text = ClipboardService().GetData(CF_UNICODETEXT))
    return FromUtf16Bytes(*text);
  if (std::optional<std::vector<uint8_t>> text = ClipboardService().GetData(CF_TEXT))
    return Latin1ToUtf16(std::string(text->begin(), text->end()));
  return {};
}

void TClipboard::SetAsText(const std::string& latin1) {
  Bracketed([&](IClipboardService& s) {
    s.SetData(CF_TEXT, std::vector<uint8_t>(latin1.begin(), latin1.end()));
    s.SetData(CF_UNICODETEXT, Utf16Bytes(Latin1ToUtf16(latin1)));
  });
}

void TClipboard::SetAsWideText(const std::u16string& text) {
  Bracketed([&](IClipboardService& s) {
    s.SetData(CF_UNICODETEXT, Utf16Bytes(text));
    const std::string latin1 = Utf16ToLatin1(text);
    s.SetData(CF_TEXT, std::vector<uint8_t>(latin1.begin(), latin1.end()));
  });
}

void TClipboard::Assign(const TPersistent& source) {
  const TGraphic* graphic = dynamic_cast<const TGraphic*>(&source);
  if (const auto* picture = dynamic_cast<const TPicture*>(&source)) graphic = picture->Graphic();
  if (graphic == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  Bracketed([&](IClipboardService& s) {
    s.Clear();
    uint16_t format = 0;
    std::vector<uint8_t> data;
    HPALETTE palette;
    graphic->SaveToClipboardFormat(format, data, palette);
    if (format != 0 && !s.SetData(format, std::move(data))) throw EConvertError("Cannot store that clipboard format");
  });
}

void TClipboard::AssignTo(TPersistent& dest) const {
  auto* picture = dynamic_cast<TPicture*>(&dest);
  if (picture == nullptr) {
    TPersistent::AssignTo(dest);
    return;
  }
  // Registered picture formats first: they say more than the plain bitmap beside them.
  for (uint16_t format = kFirstRegisteredClipboardFormat; !ClipboardFormatName(format).empty(); ++format)
    if (TPicture::SupportsClipboardFormat(format) && HasFormat(format)) {
      picture->LoadFromClipboardFormat(format, GetData(format), nullptr);
      return;
    }
  if (HasFormat(CF_BITMAP)) {
    picture->LoadFromClipboardFormat(CF_BITMAP, GetData(CF_BITMAP), nullptr);
    return;
  }
  throw EConvertError("The clipboard holds no picture");
}

}  // namespace pf
