// TGIFItem, the base of every part of a GIF stream (header, frames, extensions, trailer): it knows its picture,
// reports warnings to it and reads and writes itself.
#pragma once

#include <string>

#include "gif/gif_format.h"
#include "platform/core/component.h"
#include "platform/core/streams.h"

namespace gif {

class TGifPicture;
class TGIFSubImage;
class TGIFHeader;

class TGIFItem : public pf::TPersistent {
 public:
  explicit TGIFItem(TGifPicture* image) : image_(image) {}
  std::string ClassName() const override { return "TGIFItem"; }
  virtual int GetVersion() const { return gv87a; }
  virtual void Warning(int severity, const std::string& message) const;
  virtual void SaveToStream(pf::TStream& stream) const = 0;
  virtual void LoadFromStream(pf::TStream& stream) = 0;
  void SaveToFile(const std::string& fileName) const;
  void LoadFromFile(const std::string& fileName);
  TGifPicture* Image() const { return image_; }
  int Version() const { return GetVersion(); }

 protected:
  TGifPicture* image_;
};

}  // namespace gif
