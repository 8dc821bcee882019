// Extension blocks: graphic control, plain text, comment and application extensions (with the loop extension and
// unknown application data), the list of extensions in front of a frame, and the registries that map labels and
// application identifiers to classes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gif/gif_item.h"
#include "platform/core/classes.h"

namespace gif {

class TGIFExtension : public TGIFItem {
 public:
  explicit TGIFExtension(TGIFSubImage* subImage);
  std::string ClassName() const override { return "TGIFExtension"; }
  int GetVersion() const override { return gv89a; }
  void SaveToStream(pf::TStream& stream) const override;  // "!" and the label
  void LoadFromStream(pf::TStream& stream) override;      // checks them
  virtual uint8_t GetExtensionType() const = 0;
  TGIFSubImage* SubImage() const { return subImage_; }
  // A copy (saved and read back through a memory stream) owned by another frame.
  std::unique_ptr<TGIFExtension> CloneFor(TGIFSubImage* subImage) const;

 protected:
  TGIFSubImage* subImage_;
};

class TGIFGraphicControlExtension : public TGIFExtension {
 public:
  explicit TGIFGraphicControlExtension(TGIFSubImage* subImage);
  ~TGIFGraphicControlExtension() override;
  std::string ClassName() const override { return "TGIFGraphicControlExtension"; }
  uint8_t GetExtensionType() const override { return kGraphicControlLabel; }
  void SaveToStream(pf::TStream& stream) const override;
  void LoadFromStream(pf::TStream& stream) override;

  int Disposal() const { return (packed_ & kGceDisposalMask) >> kGceDisposalShift; }
  void SetDisposal(int value);
  bool Transparent() const { return (packed_ & kGceTransparent) != 0; }
  void SetTransparent(bool value);
  bool UserInput() const { return (packed_ & kGceUserInput) != 0; }
  void SetUserInput(bool value);
  uint16_t Delay() const { return delay_; }
  void SetDelay(uint16_t value) { delay_ = value; }
  uint8_t TransparentColorIndex() const { return transparentIndex_; }
  // An index at or above the frame's active colour count warns "Invalid color index" and stores 0.
  void SetTransparentColorIndex(int value);
  pf::TColor TransparentColor() const;

 private:
  uint8_t packed_ = 0;
  uint16_t delay_ = 0;
  uint8_t transparentIndex_ = 0;
};

class TGIFTextExtension : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  std::string ClassName() const override { return "TGIFTextExtension"; }
  uint8_t GetExtensionType() const override { return kPlainTextLabel; }
  void SaveToStream(pf::TStream& stream) const override;
  void LoadFromStream(pf::TStream& stream) override;
  pf::TStringList Text;
  uint16_t Left = 0, Top = 0, GridWidth = 0, GridHeight = 0;
  uint8_t CharWidth = 0, CharHeight = 0, ForegroundColorIndex = 0, BackgroundColorIndex = 0;
};

class TGIFCommentExtension : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  std::string ClassName() const override { return "TGIFCommentExtension"; }
  uint8_t GetExtensionType() const override { return kCommentLabel; }
  void SaveToStream(pf::TStream& stream) const override;
  void LoadFromStream(pf::TStream& stream) override;
  pf::TStringList Text;
};

class TGIFApplicationExtension : public TGIFExtension {
 public:
  explicit TGIFApplicationExtension(TGIFSubImage* subImage);
  std::string ClassName() const override { return "TGIFApplicationExtension"; }
  uint8_t GetExtensionType() const override { return kApplicationLabel; }
  void SaveToStream(pf::TStream& stream) const override;
  void LoadFromStream(pf::TStream& stream) override;
  std::string Identifier;      // 8 bytes
  std::string Authentication;  // 3 bytes

 protected:
  // The data sub-blocks after the identifier, terminator included. This class itself keeps no data.
  virtual void SaveData(pf::TStream& stream) const;
  virtual void LoadData(pf::TStream& stream);
};

struct TGIFBlock {
  uint8_t Size = 0;
  std::vector<uint8_t> Data;
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
 public:
  using TGIFApplicationExtension::TGIFApplicationExtension;
  std::string ClassName() const override { return "TGIFUnknownAppExtension"; }
  std::vector<TGIFBlock> Blocks;

 protected:
  void SaveData(pf::TStream& stream) const override;
  void LoadData(pf::TStream& stream) override;
};

class TGIFAppExtNSLoop : public TGIFApplicationExtension {
 public:
  explicit TGIFAppExtNSLoop(TGIFSubImage* subImage);
  std::string ClassName() const override { return "TGIFAppExtNSLoop"; }
  uint16_t Loops = 0;
  uint32_t BufferSize = 0;

 protected:
  void SaveData(pf::TStream& stream) const override;
  void LoadData(pf::TStream& stream) override;
};

// Registries (a later registration wins).
using TGIFExtensionFactory = std::function<std::unique_ptr<TGIFExtension>(TGIFSubImage*)>;
void RegisterExtension(uint8_t label, TGIFExtensionFactory factory);
// identifier: the 8 bytes of the identifier followed by the 3 of the authentication code.
void RegisterApplicationExtension(const std::string& identifier, TGIFExtensionFactory factory);

// The extensions in front of one frame, in file order.
class TGIFExtensionList : public pf::TPersistent {
 public:
  explicit TGIFExtensionList(TGIFSubImage* subImage) : subImage_(subImage) {}
  std::string ClassName() const override { return "TGIFExtensionList"; }
  int Count() const { return static_cast<int>(items_.size()); }
  TGIFExtension* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  TGIFExtension* operator[](int index) const { return Items(index); }
  int Add(std::unique_ptr<TGIFExtension> extension);
  void Delete(int index);
  void Remove(TGIFExtension* extension);
  void Clear();
  void SaveToStream(pf::TStream& stream) const;
  void LoadFromStream(pf::TStream& stream);  // the extensions in front of one frame
  void Warning(int severity, const std::string& message) const;

 private:
  TGIFSubImage* subImage_;
  std::vector<std::unique_ptr<TGIFExtension>> items_;
};

}  // namespace gif
