// Bookmarks in and out through kestrin-cli: a round trip through a bookmark file, what each
// browser writes, hostile input, and .url files that open.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "favorites/shortcut_file.h"
#include "tests/support/cli_run.h"
#include "tests/support/folder_swapper.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

void Shortcut(const std::string& path, const std::string& url) {
  const auto folder = ContainedFolder::Open(path.substr(0, path.rfind('/')));
  ASSERT_TRUE(folder &&
              WriteShortcutFile(*folder, path.substr(path.rfind('/') + 1), url, "", "", true))
      << path;
}

// Each folder and shortcut below root: a folder as "/", a shortcut as its URL.
std::map<std::string, std::string> Urls(const std::string& root) {
  std::map<std::string, std::string> urls = Tree(root);
  for (auto& [path, bytes] : urls) {
    bytes = bytes == "<folder>" ? "/" : ParseShortcutFile(bytes).URL;
  }
  return urls;
}

TEST(Bookmarks, ExportThenImportGivesTheSameFavoritesByteForByte) {
  TempDir dir;
  const std::string from = dir.path() + "from/", to = dir.path() + "to/";
  fs::create_directories(from + "Work/Caf\xc3\xa9 & Co/Empty");
  fs::create_directories(to);
  Shortcut(from +
               "Work/Caf\xc3\xa9 & Co/Gr\xc3\xbc\xc3\x9f"
               "e 'x'.url",
           "https://e.org/?a=1&b=<2>");
  Shortcut(from + "Work/same.url", "http://one/");
  Shortcut(from + "top.url", "ftp://files/");
  const std::string options = " --settings " + dir.path() + "k.ini --favorites ";
  const std::string import = "import --html " + dir.path() + "b.html" + options + to;
  ASSERT_EQ(RunCli("export --html " + dir.path() + "b.html" + options + from).exitCode, 0);
  ASSERT_EQ(RunCli(import).exitCode, 0);
  EXPECT_EQ(Tree(to), Tree(from));

  // Again after a URL changed here: that shortcut stays, the import's is written beside it.
  Shortcut(to + "Work/same.url", "http://changed/");
  EXPECT_EQ(RunCli(import).out,
            "Imported 1 shortcuts (1 beside another of the same name) and 0 folders; 2 "
            "shortcuts were there already.\n");
  EXPECT_EQ(ReadFileBytes(to + "Work/same (2).url"), ReadFileBytes(from + "Work/same.url"));
  EXPECT_EQ(Urls(to)["Work/same.url"], "http://changed/");
}

// Built by hand as browsers write them: Firefox's and Chrome's HTML export, Chrome's
// "Bookmarks" file, Firefox's places.sqlite (only the tables and columns read).
const char kExportedHtml[] = R"(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file. <DT><A HREF="http://comment/">no</A> -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks Menu</H1>
<DL><p>
    <DT><H3 ADD_DATE="1" PERSONAL_TOOLBAR_FOLDER="true">Toolbar</H3>
    <DL><p>
        <DT><A HREF="https://a.example/?x=1&amp;y=2" ICON="data:x">Tom &amp; Jerry &quot;1&quot; &#39;2&#39;</A>
        <HR>
        <dt><a add_date=3 href=http://b.example/>caf&eacute; ☺ &#x263a;</a>
        <DD>a description
    </DL><p>
    <DT><H3>Empty</H3>
    <DL><p>
    </DL><p>
    <DT><H3>Dup</H3>
    <DL>
      <DT><A HREF='http://1/'>Same
      <DT><A HREF="http://2/">Same
      <DT><A HREF="http://1/">Same
</DL>)";
const char kChromeBookmarks[] = R"({"checksum": "0", "roots": {
  "bookmark_bar": {"children": [{"children": [{"name": "N\u00e9", "type": "url", "url": "http://n/"}],
    "name": "Folder", "type": "folder"}], "name": "Bookmarks bar", "type": "folder"},
  "other": {"children": [], "name": "Other bookmarks", "type": "folder"},
  "synced": {"children": [{"name": "m", "type": "url", "url": "http://m/"}], "name": "Mobile bookmarks",
    "type": "folder"}}, "version": 1})";
const char kPlacesSql[] =
    "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT);"
    "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER, "
    "parent INTEGER, position INTEGER, title TEXT, guid TEXT);"
    "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
    "INSERT INTO moz_places VALUES (1, 'https://k.example/'), (2, 'http://deep/'), (3, 'place:x');"
    "INSERT INTO moz_bookmarks VALUES (1,2,NULL,0,0,'','root________'),"
    "(2,2,NULL,1,0,'menu','menu________'), (3,2,NULL,1,1,'toolbar','toolbar_____'),"
    "(4,2,NULL,1,2,'tags','tags________'), (14,1,3,2,0,'Most Visited','q'),"
    "(12,2,NULL,3,2,'Sub','f'), (10,1,1,3,0,'Kestrin','a'), (11,3,NULL,3,1,NULL,'s'),"
    "(13,1,2,12,0,'Deep','b'), (15,2,NULL,4,0,'tag','t'), (16,1,1,15,0,NULL,'c');";

TEST(Bookmarks, ImportsWhatEachBrowserWrites) {
  TempDir dir;
  const std::string home = dir.path() + "home/", chromium = home + ".config/chromium/Default/",
                    firefox = home + ".mozilla/firefox/";
  fs::create_directories(chromium);
  fs::create_directories(firefox + "b.default-release");
  WriteFileBytes(dir.path() + "export.html", kExportedHtml);
  WriteFileBytes(chromium + "Bookmarks", kChromeBookmarks);
  // The install's default wins over the profile marked Default=1.
  WriteFileBytes(firefox + "profiles.ini",
                 "[Profile0]\nName=a\nIsRelative=1\nPath=a.default\nDefault=1\n\n"
                 "[Install4F96D1932A9F858E]\nDefault=b.default-release\nLocked=1\n");
  // Left open, as a running Firefox leaves it: the bookmarks are in the write-ahead log only.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((firefox + "b.default-release/places.sqlite").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, kPlacesSql, nullptr, nullptr, nullptr), SQLITE_OK);

  const struct {
    std::string source;
    std::map<std::string, std::string> urls;
  } kCases[] = {
      {"--html " + dir.path() + "export.html",
       {{"Toolbar", "/"},
        {"Toolbar/Tom & Jerry _1_ '2'.url", "https://a.example/?x=1&y=2"},
        {"Toolbar/caf&eacute; \xe2\x98\xba \xe2\x98\xba.url", "http://b.example/"},
        {"Empty", "/"},
        {"Dup", "/"},
        {"Dup/Same.url", "http://1/"},
        {"Dup/Same (2).url", "http://2/"}}},
      {"--from chromium",
       {{"Bookmarks bar", "/"},
        {"Bookmarks bar/Folder", "/"},
        {"Bookmarks bar/Folder/N\xc3\xa9.url", "http://n/"},
        {"Mobile bookmarks", "/"},
        {"Mobile bookmarks/m.url", "http://m/"}}},
      {"--from firefox",
       {{"Bookmarks Menu", "/"},
        {"Bookmarks Toolbar", "/"},
        {"Bookmarks Toolbar/Kestrin.url", "https://k.example/"},
        {"Bookmarks Toolbar/Sub", "/"},
        {"Bookmarks Toolbar/Sub/Deep.url", "http://deep/"}}},
  };
  for (const auto& row : kCases) {
    TempDir favorites;
    const Outcome run = RunCli("import " + row.source + " --favorites " + favorites.path() +
                                   " --settings " + dir.path() + "k.ini",
                               "HOME=" + home);
    EXPECT_EQ(run.exitCode, 0) << row.source << run.err;
    EXPECT_EQ(Urls(favorites.path()), row.urls) << row.source;
  }
  sqlite3_close(db);
}

// Each written as "Bookmarks" beside the Favorites folder "fav" and read as the source says.
TEST(Bookmarks, HostileInputChangesNothingOutsideTheFavoritesFolder) {
  std::string nested = "<DL><DT><A HREF=http://t/>" + std::string(50 << 20, 'T'),
              deepJson = "{\"roots\":{\"r\":";
  std::map<std::string, std::string> nestedUrls = {{std::string(200, 'T') + ".url", "http://t/"}};
  for (std::string folder = "x"; nestedUrls.size() <= 64; folder += "/x") {
    nestedUrls[folder] = "/";
  }
  for (int level = 0; level < 100000; ++level) {
    nested += "<DT><H3>x</H3><DL>";
    deepJson += "{\"children\":[";
  }
  const struct {
    std::string file;
    std::string source;
    int exitCode;
    std::string err;
    std::map<std::string, std::string> urls;
  } kCases[] = {
      {"<DT><A HREF=http://1/>..<DT><A HREF=http://2/>../../up<DT><A HREF=http://3/>a/b\\c"
       "<DT><H3>\x1b[2J</H3><DL><DT><A HREF='http://4/\r\nx'>crlf</DL>",
       "--html @Bookmarks",
       0,
       "kestrin-cli: Skipped _[2J\\crlf.url: the URL holds a line break or NUL\n",
       {{"Untitled.url", "http://1/"},
        {"_.._up.url", "http://2/"},
        {"a_b_c.url", "http://3/"},
        {"_[2J", "/"}}},
      {nested, "--html @Bookmarks", 0,
       "kestrin-cli: Skipped 99936 entries: nested deeper than 64 folders\n", nestedUrls},
      {deepJson,
       "--from chromium --profile @",
       1,
       "kestrin-cli: Error: Unable to Read Bookmarks\nkestrin-cli: @Bookmarks: not valid JSON "
       "at byte 3329: values nest deeper than 512 levels\n",
       {}},
      {"<A HREF=http://1/>1",
       "--into ../out --html @Bookmarks",
       1,
       "kestrin-cli: Error: Unable to Import Bookmarks\nkestrin-cli: cannot import into "
       "../out: the folder record's Path is not a plain relative path\n",
       {}},
  };
  for (const auto& row : kCases) {
    TempDir dir;
    WriteFileBytes(dir.path() + "Bookmarks", row.file);
    fs::create_directories(dir.path() + "fav");
    // "@" stands for the folder.
    const auto at = [&dir](std::string text) {
      for (std::size_t i = text.find('@'); i != text.npos; i = text.find('@', i)) {
        text.replace(i, 1, dir.path());
      }
      return text;
    };
    const Outcome run = RunCli(at("import " + row.source + " --favorites @fav --settings @k.ini"));
    EXPECT_EQ(run.exitCode, row.exitCode) << row.source;
    EXPECT_EQ(run.err, at(row.err));
    EXPECT_EQ(Urls(dir.path() + "fav/"), row.urls);
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      EXPECT_TRUE(entry.path().filename() == "Bookmarks" || entry.path().filename() == "fav" ||
                  entry.path().filename() == "restore")
          << entry.path();
    }
  }
}

// A folder swapped for a link to elsewhere, again and again, while an import writes into
// it: nothing lands behind the link. A few imports give the swaps their chance.
TEST(Bookmarks, AFolderSwappedForALinkDuringAnImportLeadsNowhereOutside) {
  TempDir dir;
  std::string html = "<DL>";
  for (int i = 0; i < 500; ++i) {
    html += "<DT><A HREF=http://x/" + std::to_string(i) + ">" + std::to_string(i) + "</A>";
  }
  WriteFileBytes(dir.path() + "b.html", html);
  fs::create_directories(dir.path() + "fav/F");
  fs::create_directory(dir.path() + "outside");
  fs::create_directory_symlink(dir.path() + "outside", dir.path() + "fav/Swap");
  for (int round = 0; round < 8 && fs::is_empty(dir.path() + "outside"); ++round) {
    FolderSwapper swapper(dir.path() + "fav/F", dir.path() + "fav/Swap");
    RunCli("import --into F --html " + dir.path() + "b.html --favorites " + dir.path() +
           "fav --settings " + dir.path() + "k.ini");
  }
  EXPECT_TRUE(fs::is_empty(dir.path() + "outside"));
}

// A double click on a .url file: only web and local file addresses reach the (fake)
// browser. A file address of a shortcut would open itself again and again; one on another
// host would send it the user's login hash.
TEST(Bookmarks, OpenHandsOnlyWebAndFileUrlsToTheBrowser) {
  TempDir dir;
  WriteFileBytes(dir.path() + "xdg-open",
                 "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.part\" && "
                 "/bin/mv \"$0.part\" \"$0.opened\"\n");
  fs::permissions(dir.path() + "xdg-open", fs::perms::owner_all);
  for (const std::string& url :
       std::vector<std::string>{"javascript:alert(1)", "", "file://" + dir.path() + "s.url",
                                "file://" + dir.path() + "s%2EURL?x", "file://evil/share/page.html",
                                "HTTPS://k.example/?a&b"}) {
    Shortcut(dir.path() + "s.url", url);
    const Outcome run = RunCli("open " + dir.path() + "s.url", "PATH=" + dir.path());
    EXPECT_EQ(run.exitCode, url.starts_with("HTTPS") ? 0 : 1) << run.err;
  }
  for (int i = 0; i < 600 && !fs::exists(dir.path() + "xdg-open.opened"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(ReadFileBytes(dir.path() + "xdg-open.opened"), "HTTPS://k.example/?a&b");
}

}  // namespace
}  // namespace kestrin::test
