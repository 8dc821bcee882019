#include "viewer/viewer_shared.h"

#include "platform/core/codepage.h"
#include "platform/core/strings.h"

namespace viewer {

bool TAttributeList::FindSymbol(THtmlSymbol symbol, TAttribute*& attribute) const {
  for (int i = 0; i < Count(); ++i) {
    if ((*this)[i]->Which == symbol) {
      attribute = (*this)[i];
      return true;
    }
  }
  return false;
}

void TokenObj::AddCollection(const TCharCollection& collection, int codePage) {
  std::vector<int> firstBytes;
  std::u16string wide = pf::CodePageToUtf16(collection.GetText(), codePage, &firstBytes);
  if (wide.empty() && collection.GetCount() > 0)
    wide = pf::CodePageToUtf16(collection.GetText(), pf::SystemCodePage, &firstBytes);
  const std::vector<int>& sourceIndexes = collection.Indexes();
  for (size_t k = 0; k < wide.size(); ++k) AddWideChar(wide[k], sourceIndexes[static_cast<size_t>(firstBytes[k])]);
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string DecodePercentEscapes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::string UrlToDosPath(std::string_view s) {
  std::string path = DecodePercentEscapes(s);
  // Windows file URLs carry a drive after "file:///"; here the path itself begins with the root "/".
  if (path.find('/') != std::string::npos && pf::SameText(pf::Copy(path, 1, 5), "file:")) {
    size_t slashes = path.find_first_not_of('/', 5);
    if (slashes == std::string::npos) slashes = path.size();
    path = slashes > 5 ? "/" + path.substr(slashes) : path.substr(5);
  }
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

}  // namespace viewer
