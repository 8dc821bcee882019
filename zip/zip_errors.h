// The exceptions of the archive reader and their texts. Decoders raise them only through DecoderInput
// (premature end, cancel) and DecoderOutput (entry larger than stated, memory limit, write failure).
#pragma once

#include <string>

#include "platform/core/exceptions.h"

namespace zip {

using pf::Exception;

inline constexpr const char* kMsgNotAZip = "Not a valid zip file!";
inline constexpr const char* kMsgIncompleteZip = "Incomplete Zip File";
inline constexpr const char* kMsgPrematureEnd = "Premature end of file reached";
inline constexpr const char* kMsgCancelZipName = "User canceled setting zip file name.";
inline constexpr const char* kMsgCancelDestDir = "User canceled Set Desination Directory";
inline constexpr const char* kMsgUserAborted = "User Aborted Operation";
inline constexpr const char* kMsgCancelBuffered = "User canceled Buffered Memory UnZip";
inline constexpr const char* kMsgCancelNewDisk = "User canceled loading new disk.";
inline constexpr const char* kMsgBiggerThanUncompressed = "File is larger than uncompressed size!";
inline constexpr const char* kMsgCantWrite = "Cant write uncompressed file";
inline constexpr const char* kMsgMemoryLimit = "The extracted data exceeds the memory limit of %d bytes";

// A directory entry cannot be read, or a scan for local headers finds none.
PF_DECLARE_EXCEPTION(EBadZipFile, Exception)
// No end record and the incomplete-archive mode says "multi-volume".
PF_DECLARE_EXCEPTION(EIncompleteZip, Exception)
// No end record and the incomplete-archive mode says "not an archive".
PF_DECLARE_EXCEPTION(ENotAZipFile, Exception)
// The archive ends inside an entry's data.
PF_DECLARE_EXCEPTION(EFatalUnzipError, Exception)
// A dialog was cancelled or a cancel request arrived while reading.
PF_DECLARE_EXCEPTION(EUserCanceled, Exception)
// More data comes out of an entry than its uncompressed size.
PF_DECLARE_EXCEPTION(EBiggerThanUncompressed, Exception)
// Writing the output failed.
PF_DECLARE_EXCEPTION(ECantWriteUCF, Exception)
// A run would hold more bytes in memory than TZipReader::MemoryLimit allows.
PF_DECLARE_EXCEPTION(EMemoryLimitExceeded, Exception)

}  // namespace zip
