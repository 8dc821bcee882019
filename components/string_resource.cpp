#include "components/string_resource.h"

#include "platform/core/codepage.h"
#include "platform/core/strings.h"

namespace components {

TStringResource* RESMGR_STRINGS = nullptr;
TStringResource* LIBRARY_STRINGS_ENGLISH = nullptr;

namespace {

constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kEntrySize = 12;

// The reader's own messages while RESMGR_STRINGS is not there (also while it is being made).
constexpr std::string_view kBuiltInMessages[] = {"",
                                                 "String not found: %d",
                                                 "Cannot lock resource",
                                                 "String resource not found: %s",
                                                 "Unable to open string resource: %s",
                                                 "Invalid string resource"};

int initCount = 0;

uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }

std::string Message(int32_t id) {
  std::string text;
  if (RESMGR_STRINGS && RESMGR_STRINGS->FindString(id, text)) return text;
  return std::string(kBuiltInMessages[id]);
}

[[noreturn]] void Raise(int32_t id, std::initializer_list<pf::FormatValue> args = {}) {
  throw EStringResourceError(pf::Format(Message(id), args));
}

// The magic, an entry table that fits, and every text inside the table.
bool WellFormed(const pf::HGLOBAL& table) {
  const uint8_t* p = pf::LockResource(table);
  if (table.size < kHeaderSize || std::string_view(reinterpret_cast<const char*>(p), 4) != kStringTableMagic)
    return false;
  uint64_t count = U32(p + 4);
  if (kHeaderSize + kEntrySize * count > table.size) return false;
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* entry = p + kHeaderSize + kEntrySize * i;
    if (uint64_t{U32(entry + 4)} + 2 * uint64_t{U32(entry + 8)} > table.size) return false;
  }
  return true;
}

}  // namespace

TStringResource::TStringResource(pf::HMODULE instance, std::string_view resourceName) {
  if (resourceName.empty()) return;
  pf::TResourceName name(resourceName);
  pf::HMODULE module = instance ? instance : pf::MainInstance();
  pf::HRSRC found = pf::FindResource(module, name, pf::RT_RCDATA);
  if (!found && module != pf::MainInstance())
    found = pf::FindResource(module = pf::MainInstance(), name, pf::RT_RCDATA);
  if (!found) Raise(SResourceNotFound, {resourceName});
  pf::HGLOBAL loaded = pf::LoadResource(module, found);
  if (!loaded) Raise(SCannotOpenResource, {resourceName});
  if (!pf::LockResource(loaded)) Raise(SCannotLockResource);
  if (!WellFormed(loaded)) Raise(SInvalidStringResource);
  pf::UnlockResource(loaded);
  resource_ = loaded;
}

bool TStringResource::FindString(int32_t id, std::string& text) const {
  const uint8_t* p = pf::LockResource(resource_);
  if (!p) return false;
  // Bisection over the entries, which are sorted by id.
  int64_t lo = 0, hi = int64_t{U32(p + 4)} - 1;
  while (lo <= hi) {
    int64_t mid = (lo + hi) / 2;
    const uint8_t* entry = p + kHeaderSize + kEntrySize * mid;
    int32_t entryId = static_cast<int32_t>(U32(entry));
    if (entryId == id) {
      const uint8_t* chars = p + U32(entry + 4);
      std::u16string wide(U32(entry + 8), u'\0');
      for (size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<char16_t>(chars[2 * i] | (chars[2 * i + 1] << 8));
      text = pf::Utf16ToCp1252(wide);
      return true;
    }
    if (entryId < id) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return false;
}

std::string TStringResource::GetString(int32_t id) {
  if (!pf::LockResource(resource_)) Raise(SCannotLockResource);
  std::string text;
  if (!FindString(id, text) && reportErrors_) Raise(SStringNotFound, {id});
  pf::UnlockResource(resource_);
  return text;
}

void InitializeStringResources() {
  if (initCount++ > 0) return;
  try {
    RESMGR_STRINGS = new TStringResource(nullptr, "RESMGR_STRINGS");
    LIBRARY_STRINGS_ENGLISH = new TStringResource(nullptr, "LIBRARY_STRINGS_ENGLISH");
  } catch (...) {
    --initCount;
    delete RESMGR_STRINGS;
    RESMGR_STRINGS = nullptr;
    throw;
  }
}

void FinalizeStringResources() {
  if (initCount == 0 || --initCount > 0) return;
  delete LIBRARY_STRINGS_ENGLISH;
  delete RESMGR_STRINGS;
  LIBRARY_STRINGS_ENGLISH = RESMGR_STRINGS = nullptr;
}

std::string LibraryString(int32_t code) {
  if (LIBRARY_STRINGS_ENGLISH) return LIBRARY_STRINGS_ENGLISH->GetString(code);
  return TStringResource(nullptr, "LIBRARY_STRINGS_ENGLISH").GetString(code);
}

}  // namespace components
