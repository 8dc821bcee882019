#include "platform/core/fileversion.h"

#include <algorithm>
#include <iterator>

#include "platform/core/codepage.h"
#include "platform/core/resources.h"
#include "platform/core/strings.h"

namespace pf {

namespace {

constexpr uint32_t kVersionId = 1;
constexpr size_t kNodeHeader = 6;
constexpr uint16_t kTextValue = 1;

uint16_t U16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}

size_t Align4(size_t at) { return (at + 3) & ~size_t{3}; }

// One node of a version block, found within [start, limit).
struct VerNode {
  size_t end = 0;
  std::u16string key;
  uint16_t type = 0;
  size_t valueStart = 0;
  size_t valueBytes = 0;
  size_t childrenStart = 0;
};

bool ParseNode(std::string_view b, size_t start, size_t limit, VerNode& node) {
  if (start + kNodeHeader > limit) return false;
  size_t length = U16(b, start);
  if (length < kNodeHeader || length > limit - start) return false;
  node.end = start + length;
  uint16_t valueLength = U16(b, start + 2);
  node.type = U16(b, start + 4);
  node.key.clear();
  size_t at = start + kNodeHeader;
  for (;; at += 2) {
    if (at + 2 > node.end) return false;  // the key has no terminator
    char16_t c = static_cast<char16_t>(U16(b, at));
    if (c == 0) break;
    node.key.push_back(c);
  }
  node.valueBytes = node.type == kTextValue ? size_t{valueLength} * 2 : valueLength;
  node.valueStart = std::min(Align4(at + 2), node.end);
  if (node.valueBytes > node.end - node.valueStart) return false;
  node.childrenStart = std::min(Align4(node.valueStart + node.valueBytes), node.end);
  return true;
}

// The child of parent whose key is name (without regard to case); false when there is none or a child is damaged.
bool FindChild(std::string_view b, const VerNode& parent, std::string_view name, VerNode& child) {
  for (size_t at = parent.childrenStart; at + kNodeHeader <= parent.end; at = Align4(child.end)) {
    if (!ParseNode(b, at, parent.end, child)) return false;
    if (SameText(Utf16ToCp1252(child.key), name)) return true;
  }
  return false;
}

// The file's version block, or false with the last error set.
bool VersionResource(const std::string& fileName, std::string& block) {
  auto module = LoadResourceModule(fileName);
  if (!module) return false;
  HRSRC found = FindResource(module.get(), kVersionId, RT_VERSION);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module.get(), found);
  if (!loaded) return false;
  block.assign(reinterpret_cast<const char*>(LockResource(loaded)), loaded.size);
  return true;
}

}  // namespace

uint32_t GetFileVersionInfoSize(const std::string& fileName) {
  std::string block;
  if (!VersionResource(fileName, block)) return 0;
  SetLastError(ERROR_SUCCESS);
  return static_cast<uint32_t>(block.size());
}

bool GetFileVersionInfo(const std::string& fileName, uint32_t size, std::string& block) {
  if (!VersionResource(fileName, block)) return false;
  if (block.size() > size) block.resize(size);
  return true;
}

bool VerQueryValue(std::string_view block, std::string_view subBlock, std::string& value) {
  VerNode node;
  if (!ParseNode(block, 0, block.size(), node)) return false;
  while (!subBlock.empty()) {
    size_t cut = subBlock.find('\\');
    std::string_view name = subBlock.substr(0, cut);
    subBlock = cut == std::string_view::npos ? std::string_view() : subBlock.substr(cut + 1);
    if (name.empty()) continue;
    VerNode child;
    if (!FindChild(block, node, name, child)) return false;
    node = std::move(child);
  }
  std::string_view raw = block.substr(node.valueStart, node.valueBytes);
  if (node.type != kTextValue) {
    value.assign(raw);
    return true;
  }
  std::u16string text;
  for (size_t i = 0; i + 1 < raw.size(); i += 2) {
    char16_t c = static_cast<char16_t>(U16(raw, i));
    if (c == 0) break;
    text.push_back(c);
  }
  value = Utf16ToCp1252(text);
  return true;
}

bool ReadFixedFileInfo(std::string_view value, VS_FIXEDFILEINFO& info) {
  if (value.size() < kFixedFileInfoSize) return false;
  uint32_t fields[kFixedFileInfoSize / 4];
  for (size_t i = 0; i < std::size(fields); ++i)
    fields[i] = U16(value, i * 4) | (static_cast<uint32_t>(U16(value, i * 4 + 2)) << 16);
  if (fields[0] != VS_FFI_SIGNATURE) return false;
  info = {fields[0], fields[1], fields[2], fields[3],  fields[4],  fields[5], fields[6],
          fields[7], fields[8], fields[9], fields[10], fields[11], fields[12]};
  return true;
}

std::string VerLanguageName(uint32_t language) {
  switch (language) {
    case 0x0000:
      return "Sprachneutral";
    case 0x0407:
      return "Deutsch (Deutschland)";
    case 0x0409:
      return "Englisch (USA)";
    default:
      return "";
  }
}

}  // namespace pf
