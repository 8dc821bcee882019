// TGraphic, the base of every picture class (bitmap, JPEG, GIF, PNG), and TPicture, which holds one graphic of any
// registered class and picks the class by file extension. Also the screen's colour depth.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/component.h"
#include "platform/graphics/geometry.h"
#include "platform/graphics/palette.h"

namespace pf {

class TCanvas;
class TStream;
class TBitmap;

enum TProgressStage { psStarting, psRunning, psEnding };

using TGraphicNotifyEvent = std::function<void(TPersistent& sender)>;
// The sender is const: reporting progress (also from a const operation such as saving) changes nothing.
using TProgressEvent = std::function<void(const TPersistent& sender, TProgressStage stage, uint8_t percentDone,
                                          bool redrawNow, const TRect& r, const std::string& msg)>;

class TGraphic : public TPersistent {
 public:
  TGraphic() = default;
  ~TGraphic() override = default;
  std::string ClassName() const override { return "TGraphic"; }

  int32_t Width() const { return GetWidth(); }
  int32_t Height() const { return GetHeight(); }
  bool Empty() const { return GetEmpty(); }
  HPALETTE Palette() const { return GetPalette(); }
  bool Transparent() const { return GetTransparent(); }
  bool Modified() const { return modified_; }
  void SetModified(bool value);
  bool PaletteModified() const { return paletteModified_; }
  void SetPaletteModified(bool value) { paletteModified_ = value; }

  TGraphicNotifyEvent OnChange;
  TProgressEvent OnProgress;

  // The virtual slots, in their classic order.
 protected:
  // By default a graphic can be drawn onto a TBitmap: the bitmap takes its size, 24 bits, white, and the drawing.
  void AssignTo(TPersistent& dest) const override;

 public:
  void Assign(const TPersistent& source) override;

 protected:
  // Marks the graphic modified and raises OnChange.
  virtual void Changed(TPersistent* sender);

 public:
  // Paints the graphic stretched into r of canvas (TCanvas::Draw and StretchDraw call this).
  virtual void Draw(TCanvas& canvas, const TRect& r) = 0;
  // Same class and same bytes as saved by SaveToStream (both empty counts as equal).
  virtual bool Equals(const TGraphic& other) const;
  virtual bool GetEmpty() const = 0;
  virtual int32_t GetHeight() const = 0;
  virtual HPALETTE GetPalette() const { return nullptr; }
  virtual bool GetTransparent() const { return transparent_; }
  virtual int32_t GetWidth() const = 0;
  // Form streaming: ReadData loads from the stream, WriteData saves to it.
  virtual void ReadData(TStream& stream) { LoadFromStream(stream); }
  virtual void SetHeight(int32_t value) = 0;
  virtual void SetPalette(const HPALETTE& value) {}
  virtual void SetTransparent(bool value);
  virtual void SetWidth(int32_t value) = 0;
  virtual void WriteData(TStream& stream) const { SaveToStream(stream); }
  // LoadFromFile opens the file for reading (case-insensitive fallback) and calls LoadFromStream; SaveToFile
  // writes to a temporary file beside the target and renames it into place.
  virtual void LoadFromFile(const std::string& fileName);
  virtual void SaveToFile(const std::string& fileName) const;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
  // Clipboard data as bytes. The base raises EInvalidGraphic "Unsupported clipboard format".
  virtual void LoadFromClipboardFormat(uint16_t format, const std::vector<uint8_t>& data, const HPALETTE& palette);
  virtual void SaveToClipboardFormat(uint16_t& format, std::vector<uint8_t>& data, HPALETTE& palette) const;

 protected:
  // Raises OnProgress when set.
  void Progress(const TPersistent& sender, TProgressStage stage, uint8_t percentDone, bool redrawNow, const TRect& r,
                const std::string& msg) const;

  bool transparent_ = false;

 private:
  bool modified_ = false;
  bool paletteModified_ = false;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// Holds one graphic (owned) and forwards its changes and progress.
class TPicture : public TPersistent {
 public:
  TPicture() = default;
  ~TPicture() override;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  std::string ClassName() const override { return "TPicture"; }

  TGraphic* Graphic() const { return graphic_.get(); }
  // Takes a copy of graphic (nullptr clears): a new graphic of the same class (through its registration or,
  // for the built-in classes, directly) assigned from it.
  void SetGraphic(const TGraphic* graphic);
  // Takes ownership.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  // The graphic as a bitmap; a picture holding anything else (or nothing) is first replaced by an empty TBitmap.
  TBitmap& Bitmap();
  int32_t Width() const { return graphic_ ? graphic_->Width() : 0; }
  int32_t Height() const { return graphic_ ? graphic_->Height() : 0; }

  void Assign(const TPersistent& source) override;
  // Picks the graphic class by the file's extension (without regard to case). An unknown extension raises
  // EInvalidGraphic "Unknown picture file extension (.ext)"; the held graphic stays when loading fails.
  void LoadFromFile(const std::string& fileName);
  // Raises EInvalidGraphic "Cannot save an empty picture" when there is no graphic.
  void SaveToFile(const std::string& fileName) const;

  TGraphicNotifyEvent OnChange;
  TProgressEvent OnProgress;

  // The registry of graphic classes by file extension (without the dot; compared without regard to case).
  // Registering an extension again replaces the earlier registration.
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 const std::string& className, TGraphicFactory factory);
  // Removes every extension and clipboard format registered for the class.
  static void UnregisterGraphicClass(const std::string& className);
  // The registry of graphic classes by clipboard format (CF_BITMAP is TBitmap's from the start).
  static void RegisterClipboardFormat(uint16_t format, const std::string& className);
  static bool SupportsClipboardFormat(uint16_t format);
  // Replaces the graphic by one of the class registered for format, loaded from data (empty: the clipboard's data
  // of that format). An unregistered format raises EInvalidGraphic "Unsupported clipboard format"; the held graphic
  // stays when loading fails.
  void LoadFromClipboardFormat(uint16_t format, const std::vector<uint8_t>& data, const HPALETTE& palette);
  // nullptr when the extension is unknown.
  static std::unique_ptr<TGraphic> CreateGraphicForExtension(const std::string& extension);
  // A graphic of the registered class name; nullptr when unknown.
  static std::unique_ptr<TGraphic> CreateGraphicOfClass(const std::string& className);
  // "Description (*.ext)|*.ext|..." of every registration, in order of registration.
  static std::string GraphicFilter();

 protected:
  void AssignTo(TPersistent& dest) const override;

 private:
  void Hook();
  void Changed();
  std::unique_ptr<TGraphic> graphic_;
};

// Bits per pixel times planes of the screen; 32 on this platform unless a test override is set.
int ScreenBitsPerPixel();
// 0 removes the override.
void SetScreenBitsPerPixelOverride(int bitsPerPixel);

}  // namespace pf
