#include "bookmarks/firefox_places.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <vector>

#include "platform/temporary_folder.h"
#include "sync/restore_point.h"

namespace kestrin {
namespace {

constexpr int kBookmarkType = 1;
constexpr int kFolderType = 2;

struct Row {
  std::int64_t id;
  int type;
  std::string title;
  std::string url;
};

// The roots under their names in Firefox's own window, as Firefox knows them by guid.
constexpr std::pair<const char*, const char*> kRoots[] = {{"menu________", "Bookmarks Menu"},
                                                          {"toolbar_____", "Bookmarks Toolbar"},
                                                          {"unfiled_____", "Other Bookmarks"},
                                                          {"mobile______", "Mobile Bookmarks"}};

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = sqlite3_column_text(statement, column);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
              : std::string();
}

class PlacesReader {
 public:
  Result<Bookmarks> Read(const std::string& database) {
    sqlite3* db = nullptr;
    const int opened =
        sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    Result<Bookmarks> result = opened == SQLITE_OK ? ReadFrom(db) : Failed(db);
    sqlite3_close(db);
    return result;
  }

 private:
  Result<Bookmarks> Failed(sqlite3* db) {
    return Result<Bookmarks>::Fail(std::string("cannot read the bookmarks: ") +
                                   (db ? sqlite3_errmsg(db) : "out of memory"));
  }

  Result<Bookmarks> ReadFrom(sqlite3* db) {
    static constexpr char kQuery[] =
        "SELECT b.id, b.type, b.parent, b.title, p.url, b.guid FROM moz_bookmarks b "
        "LEFT JOIN moz_places p ON b.fk = p.id ORDER BY b.parent, b.position";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, kQuery, -1, &statement, nullptr) != SQLITE_OK) {
      return Failed(db);
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
      const std::int64_t id = sqlite3_column_int64(statement, 0);
      children_[sqlite3_column_int64(statement, 2)].push_back({id, sqlite3_column_int(statement, 1),
                                                               ColumnText(statement, 3),
                                                               ColumnText(statement, 4)});
      rootIds_[ColumnText(statement, 5)] = id;
    }
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE) {
      return Failed(db);
    }
    for (const auto& [guid, name] : kRoots) {
      const auto root = rootIds_.find(guid);
      if (root != rootIds_.end() && children_.contains(root->second)) {
        tree_.OpenFolder(name);
        AddChildren(root->second, 1);
        tree_.CloseFolder();
      }
    }
    return Result<Bookmarks>::Ok(tree_.Take());
  }

  // Below the depth the tree keeps, a folder is counted as left out, not walked.
  void AddChildren(std::int64_t parent, std::size_t depth) {
    const auto found = children_.find(parent);
    if (found == children_.end()) {
      return;
    }
    // Taken out while it is walked: a damaged database whose folders hold each other
    // then ends instead of going round.
    const std::vector<Row> rows = std::move(found->second);
    children_.erase(found);
    for (const Row& row : rows) {
      if (row.type == kFolderType) {
        tree_.OpenFolder(row.title);
        if (depth < kMaxBookmarkDepth) {
          AddChildren(row.id, depth + 1);
        }
        tree_.CloseFolder();
      } else if (row.type == kBookmarkType && !row.url.empty() && !row.url.starts_with("place:")) {
        tree_.AddLink(row.title, row.url);
      }
    }
  }

  std::map<std::int64_t, std::vector<Row>> children_;
  std::map<std::string, std::int64_t> rootIds_;
  BookmarkTreeBuilder tree_;
};

}  // namespace

Result<Bookmarks> ReadFirefoxPlaces(const std::string& placesPath) {
  const PrivateTemporaryFolder copy;
  if (copy.path().empty()) {
    return Result<Bookmarks>::Fail("cannot make a temporary folder");
  }
  const std::string database = copy.path() + "places.sqlite";
  if (const Result<> copied = CopyOrdinaryFile(placesPath, database, 0600); !copied) {
    return Result<Bookmarks>::Fail(copied.error());
  }
  if (access((placesPath + "-wal").c_str(), F_OK) == 0) {
    if (const Result<> copied = CopyOrdinaryFile(placesPath + "-wal", database + "-wal", 0600);
        !copied) {
      return Result<Bookmarks>::Fail(copied.error());
    }
  }
  return PlacesReader().Read(database);
}

}  // namespace kestrin
