#include "viewer/url_routines.h"

#include <algorithm>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "viewer/viewer_shared.h"

namespace viewer {

namespace {

bool StartsWithText(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && pf::SameText(s.substr(0, prefix.size()), prefix);
}

// The index of the "/" that begins the path of an address: after the host of "scheme://host", after the drive of
// "file:///C:", the third "/" of any other "file:///", else the first "/" (the length when there is none).
size_t RootOf(std::string_view s) {
  size_t root;
  if (StartsWithText(s, "file:///")) {
    const bool drive = s.size() > 9 && pf::AnsiUpperChar(s[8]) >= 'A' && pf::AnsiUpperChar(s[8]) <= 'Z' &&
                       (s[9] == ':' || s[9] == '|');
    root = drive ? s.find('/', 8) : 7;
  } else if (size_t sep = s.find("://"); sep != std::string_view::npos) {
    root = s.find('/', sep + 3);
  } else {
    root = s.find('/');
  }
  return root == std::string_view::npos ? s.size() : root;
}

// "/./" becomes "/"; "/../" removes itself and the segment before it, or only "../" at the root. A last segment
// without "/" after it is kept as written.
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> segments;
  size_t start = 1;  // path begins with its root "/"
  for (;;) {
    size_t slash = path.find('/', start);
    std::string_view segment = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
    if (slash == std::string_view::npos) {
      segments.push_back(segment);
      break;
    }
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (segment != ".") {
      segments.push_back(segment);
    }
    start = slash + 1;
  }
  std::string out;
  out.reserve(path.size());
  for (std::string_view segment : segments) out.append("/").append(segment);
  return out;
}

}  // namespace

std::string GetUrlBase(std::string_view url) {
  std::string s = pf::Trim(url);
  s.resize(std::min(s.size(), s.find('?')));
  const size_t authority = s.find("//");
  const size_t start = authority == std::string::npos ? 0 : authority + 2;
  const size_t slash = s.rfind('/');
  if (slash == std::string::npos || slash < start) return s + "/";
  return s.substr(0, slash + 1);
}

std::string ResolveRelativeUrl(std::string_view base, std::string_view rel) {
  std::string b = pf::Trim(base);
  if (b.empty() || b.back() != '/') b += '/';
  std::string result;
  if (rel.substr(0, 2) == "//") {
    const std::string scheme = GetUrlScheme(b);
    result = scheme == "file" ? "file:///" + std::string(rel.substr(2)) : scheme + ":" + std::string(rel);
  } else if (!rel.empty() && rel[0] == '/') {
    result = b.substr(0, RootOf(b)) + std::string(rel);
  } else {
    result = b + std::string(rel);
  }
  const size_t root = RootOf(result);
  const size_t pathEnd = std::min({result.size(), result.find('?'), result.find('#')});
  if (root >= pathEnd) return result;
  return result.substr(0, root) + RemoveDotSegments(std::string_view(result).substr(root, pathEnd - root)) +
         result.substr(pathEnd);
}

bool IsAbsoluteUrl(std::string_view url) {
  const std::string_view s = url.substr(0, url.find('?'));
  const size_t sep = s.find("://");
  if (sep != std::string_view::npos && sep < s.find('/')) return true;
  return pf::LowerCase(s).find("mailto:") != std::string::npos;
}

std::string GetUrlScheme(std::string_view url) {
  std::string protocol, user, password, host, port, path;
  SplitUrl(url, protocol, user, password, host, port, path);
  return pf::LowerCase(protocol);
}

void SplitUrl(std::string_view url, std::string& protocol, std::string& user, std::string& password, std::string& host,
              std::string& port, std::string& path) {
  protocol.clear(), user.clear(), password.clear(), host.clear(), port.clear(), path.clear();
  std::string_view rest;
  if (size_t sep = url.find("://"); sep != std::string_view::npos) {
    protocol = url.substr(0, sep);
    rest = url.substr(sep + 3);
  } else if (StartsWithText(url, "http:")) {
    protocol = "http";
    rest = url.substr(5);
    if (url.size() < 7 || url[6] != '/') {
      path = rest;
      return;
    }
  } else if (StartsWithText(url, "mailto:")) {
    protocol = "mailto";
    rest = url.substr(7);
  } else if (url.substr(0, 2) == "//") {
    rest = url.substr(2);
  } else {
    if (!url.empty() && url[0] == '/') protocol = "http";
    path = url;
    return;
  }
  const std::string_view authority = rest.substr(0, rest.find('/'));
  path = rest.substr(authority.size());
  std::string_view hostPort = authority;
  if (size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view userInfo = authority.substr(0, at);
    const size_t colon = userInfo.find(':');
    user = userInfo.substr(0, colon);
    if (colon != std::string_view::npos) password = userInfo.substr(colon + 1);
    hostPort = authority.substr(at + 1);
  }
  const size_t colon = hostPort.rfind(':');
  host = hostPort.substr(0, colon);
  if (colon != std::string_view::npos) port = hostPort.substr(colon + 1);
}

std::string ResolveStyleUrl(std::string_view address, std::string_view basePath) {
  if (basePath.find("://") != std::string_view::npos)
    return IsAbsoluteUrl(address) ? std::string(address) : ResolveRelativeUrl(basePath, address);
  if (IsAbsoluteUrl(address) && GetUrlScheme(address) != "file") return std::string(address);
  std::string path = UrlToDosPath(address);
  if ((!path.empty() && path[0] == '/') || basePath.empty()) return path;
  return pf::IncludeTrailingPathDelimiter(basePath) + path;
}

}  // namespace viewer
