// Bookmarks in and out through kestrin-cli: a round trip through a bookmark file, what each
// browser writes, hostile input, and .url files that open.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
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

// A SQLite database at `path` made by the statements, kept open (as a running Firefox keeps
// its own) until the handle goes.
std::unique_ptr<sqlite3, int (*)(sqlite3*)> Database(const std::string& path,
                                                     const std::string& statements) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, statements.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  return {db, sqlite3_close};
}

// An "xdg-open" in `folder` that keeps the URL it is handed, for kestrin-cli run with
// PATH=folder.
void FakeBrowser(const std::string& folder) {
  WriteFileBytes(folder + "xdg-open",
                 "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.part\" && "
                 "/bin/mv \"$0.part\" \"$0.opened\"\n");
  fs::permissions(folder + "xdg-open", fs::perms::owner_all);
}

// The URL the fake browser was handed (it runs in the background), once it is there.
std::string UrlOpenedBy(const std::string& folder) {
  for (int i = 0; i < 600 && !fs::exists(folder + "xdg-open.opened"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return ReadFileBytes(folder + "xdg-open.opened");
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

  // A shortcut without a URL is named, not exported as a link to nowhere; so is a folder
  // deeper than a Favorites folder carries.
  WriteFileBytes(from + "Work/none.url", "[InternetShortcut]\r\nIconIndex=1\r\n");
  std::string deep = "d";
  for (int level = 1; level < 65; ++level) {
    deep += "/d";
  }
  fs::create_directories(from + deep);
  const Outcome exported = RunCli("export --html " + dir.path() + "b.html" + options + from);
  EXPECT_EQ(exported.err,
            "kestrin-cli: Skipped Work/none.url: it holds no URL\nkestrin-cli: Skipped " + deep +
                ": nested deeper than 64 folders, with all it holds\n");
  EXPECT_EQ(ReadFileBytes(dir.path() + "b.html").find("none"), std::string::npos);
}

// Long links travel whole through import, export, snapshot and open; links that differ only
// after their first few hundred bytes stay apart; one beyond 32 KiB is left out, never cut.
TEST(Bookmarks, LongUrlsTravelWhole) {
  TempDir dir;
  const std::string from = dir.path() + "from/", to = dir.path() + "to/";
  fs::create_directories(from);
  fs::create_directories(to);
  std::string longUrl = "https://l.example/?q=";
  longUrl.resize(32768, 'q');
  const std::string prefix = "https://p.example/" + std::string(300, 'p');
  WriteFileBytes(dir.path() + "in.html",
                 "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><A HREF=\"" + longUrl +
                     "1\">Long</A>\n<DT><A HREF=\"" + prefix + "1\">Same</A>\n<DT><A HREF=\"" +
                     prefix + "2\">Same</A>\n<DT><A HREF=\"" + longUrl + "\">Long</A>\n</DL>\n");
  const std::string options = " --settings " + dir.path() + "k.ini --favorites ";
  const std::string import = "import --html " + dir.path() + "in.html" + options + from;
  const Outcome first = RunCli(import);
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.err, "kestrin-cli: Skipped Long.url: the URL is longer than 32768 bytes\n");
  const std::map<std::string, std::string> urls = {
      {"Long.url", longUrl}, {"Same.url", prefix + "1"}, {"Same (2).url", prefix + "2"}};
  EXPECT_EQ(Urls(from), urls);
  EXPECT_EQ(RunCli(import).out,
            "Imported 0 shortcuts (0 beside another of the same name) and 0 folders; 3 "
            "shortcuts were there already.\n");

  ASSERT_EQ(RunCli("export --html " + dir.path() + "out.html" + options + from).exitCode, 0);
  ASSERT_EQ(RunCli("import --html " + dir.path() + "out.html" + options + to).exitCode, 0);
  EXPECT_EQ(Tree(to), Tree(from));

  const Outcome snapshot = RunCli("snapshot --name S --favorites " + from);
  EXPECT_NE(snapshot.out.find(",\"" + longUrl + "\","), std::string::npos) << snapshot.err;

  FakeBrowser(dir.path());
  EXPECT_EQ(RunCli("open " + from + "Long.url", "PATH=" + dir.path()).exitCode, 0);
  EXPECT_EQ(UrlOpenedBy(dir.path()), longUrl);
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
        <DT><A HREF="place:sort=8&amp;maxResults=10">Recent Tags</A>
        <DT><A ADD_DATE="1">no address</A>
        <DT><A HREF='javascript:alert("hi")'>Say</A>
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
  "bookmark_bar": {"children": [{"children": [{"name": "N\u00e9", "type": "url", "url": "http://n/"},
    {"name": "q", "type": "url", "url": "place:x"}, {"name": "e", "type": "url"}, {"type": "x"}],
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
    "(13,1,2,12,0,'Deep','b'), (15,2,NULL,4,0,'tag','t'), (16,1,1,15,0,NULL,'c');"
    // 70 folders nested in the menu, 9 links in the deepest: the last 7 folders lie deeper
    // than a Favorites folder can carry.
    "WITH RECURSIVE d(n) AS (SELECT 100 UNION ALL SELECT n + 1 FROM d WHERE n < 169) "
    "INSERT INTO moz_bookmarks SELECT n, 2, NULL, CASE n WHEN 100 THEN 2 ELSE n - 1 END, 0, "
    "'d', 'd' || n FROM d;"
    "WITH RECURSIVE l(n) AS (SELECT 200 UNION ALL SELECT n + 1 FROM l WHERE n < 208) "
    "INSERT INTO moz_bookmarks SELECT n, 1, 1, 169, n, 'l', 'l' || n FROM l;";

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
  const auto db = Database(firefox + "b.default-release/places.sqlite", kPlacesSql);

  std::map<std::string, std::string> firefoxUrls = {
      {"Bookmarks Menu", "/"},
      {"Bookmarks Toolbar", "/"},
      {"Bookmarks Toolbar/Kestrin.url", "https://k.example/"},
      {"Bookmarks Toolbar/Sub", "/"},
      {"Bookmarks Toolbar/Sub/Deep.url", "http://deep/"}};
  for (std::string folder = "Bookmarks Menu/d"; firefoxUrls.size() < 5 + 63; folder += "/d") {
    firefoxUrls[folder] = "/";
  }
  firefoxUrls["Dup"] = "";  // the file that stands in the way of the bookmark file's folder
  const std::string queries =
      "kestrin-cli: Skipped 1 entries: Firefox queries (\"place:\"), which open nothing outside "
      "Firefox\n";
  const struct {
    std::string source;
    std::map<std::string, std::string> urls;
    std::string err;
  } kCases[] = {
      {"--html " + dir.path() + "export.html",
       {{"Toolbar", "/"},
        {"Toolbar/Tom & Jerry _1_ '2'.url", "https://a.example/?x=1&y=2"},
        {"Toolbar/caf&eacute; \xe2\x98\xba \xe2\x98\xba.url", "http://b.example/"},
        {"Toolbar/Say.url", "javascript:alert(\"hi\")"},
        {"Empty", "/"},
        {"Dup", ""}},
       "kestrin-cli: Skipped Dup\\: a file stands where the folder would be (with the 3 entries "
       "in it)\nkestrin-cli: Skipped 1 entries: links without a URL\n" +
           queries +
           "kestrin-cli: Not shared: Toolbar\\Say.url: its URL holds a double quote, which the "
           "shared list carries only with encryption on\n"},
      {"--from chromium",
       {{"Bookmarks bar", "/"},
        {"Bookmarks bar/Folder", "/"},
        {"Bookmarks bar/Folder/N\xc3\xa9.url", "http://n/"},
        {"Mobile bookmarks", "/"},
        {"Mobile bookmarks/m.url", "http://m/"},
        {"Dup", ""}},
       "kestrin-cli: Skipped 1 entries: links without a URL\n" + queries},
      {"--from firefox", firefoxUrls,
       "kestrin-cli: Skipped 16 entries: nested deeper than 64 folders\n" + queries},
  };
  for (const auto& row : kCases) {
    TempDir favorites;
    WriteFileBytes(favorites.path() + "Dup", "");
    const Outcome run = RunCli("import " + row.source + " --favorites " + favorites.path() +
                                   " --settings " + dir.path() + "k.ini",
                               "HOME=" + home);
    EXPECT_EQ(run.exitCode, 0) << row.source << run.err;
    EXPECT_EQ(run.err, row.err) << row.source;
    EXPECT_EQ(Urls(favorites.path()), row.urls) << row.source;
  }
}

// Firefox keeps new profiles in ~/.config (from version 140), older ones in ~/.mozilla, and
// its snap and flatpak packages each in their own folder; Chromium's and Chrome's packages
// likewise. --from finds the default profile in each, the first that holds bookmarks.
TEST(Bookmarks, ImportFindsEachBrowsersProfilesWhereverItsPackageKeepsThem) {
  const char kOneBookmark[] =
      "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT);"
      "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER, "
      "parent INTEGER, position INTEGER, title TEXT, guid TEXT);"
      "INSERT INTO moz_places VALUES (1, 'https://k.example/');"
      "INSERT INTO moz_bookmarks VALUES (1,2,NULL,0,0,'','root________'),"
      "(3,2,NULL,1,1,'toolbar','toolbar_____'), (10,1,1,3,0,'Kestrin','a');";
  const char kChromium[] =
      R"({"roots": {"bookmark_bar": {"children": [{"name": "Kestrin", "type": "url",
      "url": "https://k.example/"}], "name": "Bookmarks Toolbar", "type": "folder"}}})";
  const struct {
    std::string browser;
    std::string folder;  // below the home folder: Firefox's profiles, or the default profile
  } kCases[] = {
      {"firefox", ".mozilla/firefox/"},
      {"firefox", ".config/mozilla/firefox/"},
      {"firefox", "snap/firefox/common/.mozilla/firefox/"},
      {"firefox", ".var/app/org.mozilla.firefox/.mozilla/firefox/"},
      {"chromium", ".config/chromium/Default/"},
      {"chromium", "snap/chromium/common/chromium/Default/"},
      {"chromium", ".var/app/org.chromium.Chromium/config/chromium/Default/"},
      {"chrome", ".var/app/com.google.Chrome/config/google-chrome/Default/"},
  };
  for (const auto& row : kCases) {
    TempDir dir;
    const std::string home = dir.path() + "home/", folder = home + row.folder;
    if (row.browser == "firefox") {
      // An old profile folder whose default profile holds no bookmarks does not stand in
      // the way.
      fs::create_directories(home + ".mozilla/firefox/old");
      WriteFileBytes(home + ".mozilla/firefox/profiles.ini",
                     "[Profile0]\nName=old\nIsRelative=1\nPath=old\nDefault=1\n");
      fs::create_directories(folder + "p.default");
      WriteFileBytes(folder + "profiles.ini",
                     "[Profile0]\nName=p\nIsRelative=1\nPath=p.default\nDefault=1\n");
      const auto db = Database(folder + "p.default/places.sqlite", kOneBookmark);
    } else {
      fs::create_directories(folder);
      WriteFileBytes(folder + "Bookmarks", kChromium);
    }
    fs::create_directories(dir.path() + "fav");
    const Outcome run = RunCli("import --from " + row.browser + " --favorites " + dir.path() +
                                   "fav --settings " + dir.path() + "k.ini",
                               "HOME=" + home);
    EXPECT_EQ(run.exitCode, 0) << row.folder << run.err;
    EXPECT_EQ(
        Urls(dir.path() + "fav/"),
        (std::map<std::string, std::string>{
            {"Bookmarks Toolbar", "/"}, {"Bookmarks Toolbar/Kestrin.url", "https://k.example/"}}))
        << row.folder;
  }
}

// A bookmark file's declared character set gives UTF-8 names; a file that is no bookmark
// file, or in a character set Kestrin does not read, is refused with its reason.
TEST(Bookmarks, ImportHtmlReadsTheDeclaredCharsetAndRefusesOtherFiles) {
  const std::string meta =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
      "CONTENT=\"text/html; charset=";
  const std::string list = "\">\n<DL><p>\n<DT><A HREF=\"http://c/\">Caf\xe9 \x80 \x9f</A>\n</DL>\n";
  const std::string refused = "kestrin-cli: Error: Unable to Read Bookmarks\nkestrin-cli: ";
  const struct {
    std::string file;
    int exitCode;
    std::string name;  // of the one shortcut written, or the error's reason
  } kCases[] = {
      {meta + "windows-1252" + list, 0, "Caf\xc3\xa9 \xe2\x82\xac \xc5\xb8.url"},
      {meta + "ISO-8859-1" + list, 0, "Caf\xc3\xa9 \xe2\x82\xac \xc5\xb8.url"},
      {"<meta charset='cp1252'><dl><dt><a href=http://c/>Caf\xe9</a></dl>", 0, "Caf\xc3\xa9.url"},
      {meta + "UTF-8" + "\"><DL><DT><A HREF=http://c/>Caf\xc3\xa9</A></DL>", 0, "Caf\xc3\xa9.url"},
      {meta + "Shift_JIS" + list, 1,
       "the file's character set \"Shift_JIS\" is not one Kestrin reads (UTF-8, windows-1252, "
       "ISO-8859-1)"},
      {"SQLite format 3\0" + std::string(100, '\0'), 1,
       "not a bookmark file: it has neither the NETSCAPE-Bookmark-file-1 doctype nor a <DL> list "
       "of <DT> entries"},
      {R"({"roots": {"other": {"children": [], "name": "<a href=x>"}}})", 1,
       "not a bookmark file: it has neither the NETSCAPE-Bookmark-file-1 doctype nor a <DL> list "
       "of <DT> entries"},
  };
  for (const auto& row : kCases) {
    TempDir dir;
    WriteFileBytes(dir.path() + "in.html", row.file);
    fs::create_directories(dir.path() + "fav");
    const Outcome run = RunCli("import --html " + dir.path() + "in.html --favorites " + dir.path() +
                               "fav --settings " + dir.path() + "k.ini");
    EXPECT_EQ(run.exitCode, row.exitCode) << row.name;
    if (row.exitCode == 0) {
      EXPECT_EQ(Urls(dir.path() + "fav/"),
                (std::map<std::string, std::string>{{row.name, "http://c/"}}));
    } else {
      EXPECT_EQ(run.err, refused + dir.path() + "in.html: " + row.name + "\n");
      EXPECT_TRUE(fs::is_empty(dir.path() + "fav"));
    }
  }
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
      {"<DL><DT><A HREF=http://1/>1",
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

// A places.sqlite whose moz_bookmarks is an endless view: the import would never end and
// SQLite's scratch files would fill the disk. It is refused at once, and no copy of the
// browsing history is left in the temporary folder. (timeout only ends a run that hangs.)
TEST(Bookmarks, AnEndlessPlacesDatabaseIsRefusedAndLeavesNoCopy) {
  TempDir dir;
  const std::string profile = dir.path() + "profile/", temporary = dir.path() + "tmp/";
  fs::create_directories(profile);
  fs::create_directories(temporary);
  fs::create_directories(dir.path() + "fav");
  const auto db = Database(profile + "places.sqlite",
                           "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT);"
                           "CREATE VIEW moz_bookmarks AS WITH RECURSIVE r(n) AS (SELECT 1 UNION "
                           "ALL SELECT n + 1 FROM r) SELECT n AS id, 1 AS type, n AS fk, 0 AS "
                           "parent, -n AS position, hex(n) AS title, 'g' AS guid FROM r;");
  const Outcome run = RunCli("import --from firefox --profile " + profile + " --favorites " +
                                 dir.path() + "fav --settings " + dir.path() + "k.ini",
                             "TMPDIR=" + temporary + " timeout 60");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "kestrin-cli: Error: Unable to Read Bookmarks\nkestrin-cli: " + profile +
                         "places.sqlite: moz_bookmarks is not a table\n");
  EXPECT_TRUE(fs::is_empty(temporary));
  EXPECT_TRUE(fs::is_empty(dir.path() + "fav"));
}

// What a running Firefox wrote lately lies in the write-ahead log: the import takes each
// transaction the log holds whole, and nothing of one cut off (as by a copy made while
// Firefox writes) or of a log that does not belong to the database.
TEST(Bookmarks, FirefoxImportTakesTheWholeTransactionsOfTheWriteAheadLog) {
  TempDir dir;
  const std::string running = dir.path() + "running/";
  fs::create_directories(running);
  const auto db = Database(running + "places.sqlite",
                           "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                           "PRAGMA journal_size_limit=0;"
                           "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT);"
                           "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk "
                           "INTEGER, parent INTEGER, position INTEGER, title TEXT, guid TEXT);"
                           "INSERT INTO moz_places VALUES (1, 'https://one/');"
                           "INSERT INTO moz_bookmarks VALUES (1,2,NULL,0,0,'','root________'),"
                           "(3,2,NULL,1,1,'toolbar','toolbar_____'), (10,1,1,3,0,'One','a');"
                           "PRAGMA wal_checkpoint;"
                           "INSERT INTO moz_places VALUES (2, 'https://two/');"
                           "INSERT INTO moz_bookmarks VALUES (11,1,2,3,1,'Two','b');");
  const std::string log = ReadFileBytes(running + "places.sqlite-wal");
  ASSERT_GT(log.size(), 32u + 24 + 4096);
  std::string otherSalt = log;
  otherSalt[16] ^= 1;
  const std::map<std::string, std::string> one = {{"Bookmarks Toolbar", "/"},
                                                  {"Bookmarks Toolbar/One.url", "https://one/"}};
  std::map<std::string, std::string> both = one;
  both["Bookmarks Toolbar/Two.url"] = "https://two/";
  const struct {
    std::optional<std::string> log;  // none: Firefox closed, its log checkpointed and removed
    std::map<std::string, std::string> urls;
  } kCases[] = {
      {log, both}, {log.substr(0, log.size() - 1), one}, {otherSalt, one}, {"", one}, {{}, one},
  };
  for (const auto& row : kCases) {
    TempDir copy;
    fs::create_directories(copy.path() + "profile");
    fs::copy_file(running + "places.sqlite", copy.path() + "profile/places.sqlite");
    if (row.log) {
      WriteFileBytes(copy.path() + "profile/places.sqlite-wal", *row.log);
    }
    const Outcome run =
        RunCli("import --from firefox --profile " + copy.path() + "profile --favorites " +
               copy.path() + " --settings " + copy.path() + "k.ini");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::map<std::string, std::string> urls = Urls(copy.path());
    std::erase_if(urls, [](const auto& entry) { return !entry.first.starts_with("Bookmarks"); });
    EXPECT_EQ(urls, row.urls) << row.log.value_or("none").size();
  }
}

// A double click on a .url file: only web and local file addresses reach the (fake)
// browser. A file address of a shortcut would open itself again and again; one on another
// host would send it the user's login hash.
TEST(Bookmarks, OpenHandsOnlyWebAndFileUrlsToTheBrowser) {
  TempDir dir;
  FakeBrowser(dir.path());
  for (const std::string& url :
       std::vector<std::string>{"javascript:alert(1)", "", "file://" + dir.path() + "s.url",
                                "file://" + dir.path() + "s%2EURL?x", "file://evil/share/page.html",
                                "HTTPS://k.example/?a&b"}) {
    Shortcut(dir.path() + "s.url", url);
    const Outcome run = RunCli("open " + dir.path() + "s.url", "PATH=" + dir.path());
    EXPECT_EQ(run.exitCode, url.starts_with("HTTPS") ? 0 : 1) << run.err;
  }
  EXPECT_EQ(UrlOpenedBy(dir.path()), "HTTPS://k.example/?a&b");
}

}  // namespace
}  // namespace kestrin::test
