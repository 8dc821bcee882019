// The GIF library's exception class, its messages and the warning callback shape.
#pragma once

#include <functional>
#include <string>

#include "platform/core/exceptions.h"

namespace gif {

class GIFException : public pf::EInvalidGraphic {
 public:
  using pf::EInvalidGraphic::EInvalidGraphic;
};

// Receives recoverable problems (severity, message); the picture routes them to its OnWarning.
using TGIFWarning = std::function<void(int severity, const std::string& message)>;

// Messages of errors and warnings, verbatim.
namespace msg {
inline constexpr const char* InvalidSignature = "Invalid GIF signature";
inline constexpr const char* PrematureEnd = "Premature end of data";
inline constexpr const char* UnknownExtension = "Unknown extension type";
inline constexpr const char* InvalidIntroducer = "Invalid extension introducer";
inline constexpr const char* ExtensionMismatch = "Internal error: Extension Instance does not match Extension Label";
inline constexpr const char* UnsupportedAppBlockSize = "Unsupported Application Extension block size";
inline constexpr const char* InvalidData = "Invalid GIF data";
inline constexpr const char* UnsupportedVersion = "Unsupported GIF version";
inline constexpr const char* ColorTableOverflow = "Color table overflow";
inline constexpr const char* InvalidColorIndex = "Invalid color index";
inline constexpr const char* ColorTableEmpty = "Color table is empty";
inline constexpr const char* InvalidPixelCoordinates = "Invalid pixel coordinates";
inline constexpr const char* ImageEmpty = "Image is empty";
inline constexpr const char* UnsupportedObject = "Object type not supported for operation";
inline constexpr const char* UnknownBlock = "Unknown GIF block type";
inline constexpr const char* ExceedsScreen = "Image exceeds Logical Screen size";
inline constexpr const char* WidthTooSmall = "Image width too small for contained frames";
inline constexpr const char* HeightTooSmall = "Image height too small for contained frames";
inline constexpr const char* InvalidTrailer = "Invalid Image trailer";
inline constexpr const char* CircularEntry = "Circular decoder table entry";
inline constexpr const char* BitBufferUnderrun = "Decoder bit buffer under-run";
inline constexpr const char* ColorNotInTable = "Color not in color table";
inline constexpr const char* InvalidStreamOperation = "Invalid stream operation";
inline constexpr const char* UnsupportedPixelFormat = "Unsupported PixelFormat";
inline constexpr const char* InvalidDimensions = "Invalid image dimensions";
inline constexpr const char* NoDIB = "Image has no DIB";
inline constexpr const char* InvalidReduction = "Invalid reduction method";
inline constexpr const char* DIBAllocFailed = "Failed to allocate memory for GIF DIB";
inline constexpr const char* NoColorTable = "No global or local color table defined";
inline constexpr const char* ClipboardFailed = "Failed to store GIF on clipboard";
inline constexpr const char* Loading = "Loading...";
inline constexpr const char* Saving = "Saving...";
inline constexpr const char* Converting = "Converting...";
inline constexpr const char* Rendering = "Rendering...";
inline constexpr const char* Copying = "Copying...";
inline constexpr const char* Optimizing = "Optimizing...";
}  // namespace msg

}  // namespace gif
