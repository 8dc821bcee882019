// Splitting and resolving addresses.
#include <gtest/gtest.h>

#include <string>

#include "viewer/url_routines.h"
#include "viewer/viewer_shared.h"

namespace {

using namespace viewer;

TEST(UrlRoutines, BaseOfAnAddress) {
  const std::pair<const char*, const char*> rows[] = {{"http://h/a/b/c.html?x=/y", "http://h/a/b/"},
                                                      {"http://h", "http://h/"},
                                                      {" http://h/a ", "http://h/"},
                                                      {"a/b.html", "a/"},
                                                      {"/srv/html/index.html", "/srv/html/"},
                                                      {"page.html", "page.html/"}};
  for (auto [url, base] : rows) EXPECT_EQ(GetUrlBase(url), base) << url;
}

TEST(UrlRoutines, RelativeAddressesResolveAgainstTheBase) {
  struct Row {
    const char *base, *rel, *result;
  } rows[] = {
      {"http://h/a/b/", "../c.html", "http://h/a/c.html"},
      {"http://h/a/b/", "/x.html", "http://h/x.html"},
      {"http://h/a/", "//o/y", "http://o/y"},
      {"http://h/a/", "./x", "http://h/a/x"},
      {"http://h/", "../../x", "http://h/x"},
      {"http://h/a", "x", "http://h/a/x"},  // the base gets its "/"
      {"http://h/a/b/", "../../../../x", "http://h/x"},
      {"http://h/a/b/", "./.././c", "http://h/a/c"},
      {"http://h/a/b/", "c/..", "http://h/a/b/c/.."},                  // a last segment stays as written
      {"http://h/a/", "x?u=/../y#/./z", "http://h/a/x?u=/../y#/./z"},  // never in the query or fragment
      {"http://h/a/", "?q=1", "http://h/a/?q=1"},
      {"http://h:8080/a/", "/b", "http://h:8080/b"},
      {"https://h/a/", "//cdn/x.css", "https://cdn/x.css"},
      {"file:///C:/pexu/html/", "/css/x.css", "file:///C:/css/x.css"},
      {"file:///home/u/html/", "/css/x.css", "file:///css/x.css"},
      {"file:///home/u/html/", "../css/x.css", "file:///home/u/css/x.css"},
      {"file:///home/u/", "//srv/x", "file:///srv/x"},
      {"/srv/html/", "../css/x.css", "/srv/css/x.css"},
      {"/srv/html/", "/pics/a.gif", "/pics/a.gif"},
      {"html/", "a//../b", "html/a/b"},
  };
  for (const auto& row : rows) EXPECT_EQ(ResolveRelativeUrl(row.base, row.rel), row.result) << row.base << row.rel;
}

TEST(UrlRoutines, AbsoluteAddressesAndSchemes) {
  const std::pair<const char*, bool> absolute[] = {
      {"http://x/y", true}, {"x/http://y", false}, {"MAILTO:a@b", true},        {"/a?u=http://b", false},
      {"file:///a", true},  {"a.html", false},     {"a.html?m=mailto:x", false}};
  for (auto [url, expected] : absolute) EXPECT_EQ(IsAbsoluteUrl(url), expected) << url;

  const std::pair<const char*, const char*> schemes[] = {{"HTTP://x", "http"}, {"mailto:a@b", "mailto"},
                                                         {"http:foo", "http"}, {"/x", "http"},
                                                         {"x.html", ""},       {"File:///a", "file"}};
  for (auto [url, scheme] : schemes) EXPECT_EQ(GetUrlScheme(url), scheme) << url;
}

TEST(UrlRoutines, SplitIntoParts) {
  struct Row {
    const char* url;
    const char *protocol, *user, *password, *host, *port, *path;
  } rows[] = {
      {"http://u:p@h:8080/p/q", "http", "u", "p", "h", "8080", "/p/q"},
      {"/abs/x", "http", "", "", "", "", "/abs/x"},
      {"http:foo", "http", "", "", "", "", "foo"},
      {"http:x/y", "http", "", "", "x", "", "/y"},
      {"ftp://a@b@h", "ftp", "a@b", "", "h", "", ""},
      {"mailto:me@host", "mailto", "me", "", "host", "", ""},
      {"//h:1/x", "", "", "", "h", "1", "/x"},
      {"x.html", "", "", "", "", "", "x.html"},
  };
  for (const auto& row : rows) {
    std::string protocol, user, password, host, port, path;
    SplitUrl(row.url, protocol, user, password, host, port, path);
    EXPECT_EQ(protocol + "|" + user + "|" + password + "|" + host + "|" + port + "|" + path,
              std::string(row.protocol) + "|" + row.user + "|" + row.password + "|" + row.host + "|" + row.port + "|" +
                  row.path)
        << row.url;
  }
}

TEST(UrlRoutines, StyleSheetAddressesAgainstAFolderOrAUrl) {
  struct Row {
    const char *address, *base, *result;
  } rows[] = {
      {"img/bg.gif", "/srv/css/", "/srv/css/img/bg.gif"},
      {"img/bg.gif", "/srv/css", "/srv/css/img/bg.gif"},
      {"/pics/bg.gif", "/srv/css/", "/pics/bg.gif"},
      {"img\\a%20b.gif", "/srv/css/", "/srv/css/img/a b.gif"},
      {"file:///home/u/bg.gif", "/srv/css/", "/home/u/bg.gif"},
      {"http://x/bg.gif", "/srv/css/", "http://x/bg.gif"},
      {"../bg.gif", "http://h/css/", "http://h/bg.gif"},
      {"http://x/bg.gif", "http://h/css/", "http://x/bg.gif"},
  };
  for (const auto& row : rows) EXPECT_EQ(ResolveStyleUrl(row.address, row.base), row.result) << row.address;
  EXPECT_EQ(DecodePercentEscapes("a%41%4a%zz%4"), "aAJ%zz%4");
  EXPECT_EQ(UrlToDosPath("file:/a%20b"), "/a b");
  EXPECT_EQ(UrlToDosPath("dir\\file.html"), "dir/file.html");
}

}  // namespace
