#include "bookmarks/firefox_places.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "bookmarks/write_ahead_log.h"
#include "platform/whole_file.h"

namespace kestrin {
namespace {

constexpr int kBookmarkType = 1;
constexpr int kFolderType = 2;

// A profile's database with years of history: far beyond any real one, small enough to hold.
constexpr std::size_t kMaxPlacesBytes = std::size_t{1} << 30;
// The work one read may take, in SQLite's steps: a real database with a hundred thousand
// bookmarks takes about two million (a crafted one could take forever).
constexpr int kStepsPerCheck = 10000;
constexpr int kMaxChecks = 20000;

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

// Called every kStepsPerCheck steps; non-zero ends the statement.
int StopWhenTooLong(void* checks) {
  return ++*static_cast<int*>(checks) > kMaxChecks ? 1 : 0;
}

class PlacesReader {
 public:
  // The database is read where it lies in memory: SQLite gets no file and makes none (its
  // scratch space is memory too), so no copy of the history is left behind, even by a run
  // that is killed. Nothing in the database may run code or reach outside it.
  Result<Bookmarks> Read(std::string& image) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
      sqlite3_close(db);
      return Result<Bookmarks>::Fail("cannot read the bookmarks: out of memory");
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_progress_handler(db, kStepsPerCheck, StopWhenTooLong, &checks_);
    const auto size = static_cast<sqlite3_int64>(image.size());
    const bool opened =
        sqlite3_deserialize(db, "main", reinterpret_cast<unsigned char*>(image.data()), size, size,
                            SQLITE_DESERIALIZE_READONLY) == SQLITE_OK &&
        sqlite3_exec(db, "PRAGMA trusted_schema=OFF; PRAGMA temp_store=MEMORY;", nullptr, nullptr,
                     nullptr) == SQLITE_OK;
    Result<Bookmarks> result = opened ? ReadFrom(db) : Failed(db);
    sqlite3_close(db);
    return result;
  }

 private:
  Result<Bookmarks> Failed(sqlite3* db) {
    if (checks_ > kMaxChecks) {
      return Result<Bookmarks>::Fail(
          "reading the bookmarks takes far longer than any real "
          "database: it was stopped");
    }
    return Result<Bookmarks>::Fail(std::string("cannot read the bookmarks: ") + sqlite3_errmsg(db));
  }

  // Views or virtual tables in their place could compute rows without end.
  Result<> TablesAreTables(sqlite3* db) {
    for (const char* table : {"moz_bookmarks", "moz_places"}) {
      sqlite3_stmt* statement = nullptr;
      sqlite3_prepare_v2(db,
                         "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 "
                         "AND sql NOT LIKE 'CREATE VIRTUAL%'",
                         -1, &statement, nullptr);
      sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
      const int step = sqlite3_step(statement);
      sqlite3_finalize(statement);
      if (step != SQLITE_ROW) {
        return Result<>::Fail(std::string(table) + " is not a table");
      }
    }
    return Result<>::Ok();
  }

  Result<Bookmarks> ReadFrom(sqlite3* db) {
    if (const Result<> tables = TablesAreTables(db); !tables) {
      return Result<Bookmarks>::Fail(tables.error());
    }
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
        AddChildren(root->second);
        tree_.CloseFolder();
      }
    }
    return Result<Bookmarks>::Ok(tree_.Take());
  }

  // The rows below the parent, last first; taken out, so that a damaged database whose
  // folders hold each other ends instead of going round.
  std::vector<Row> TakeChildren(std::int64_t parent) {
    std::vector<Row> rows;
    if (const auto found = children_.find(parent); found != children_.end()) {
      rows = std::move(found->second);
      children_.erase(found);
    }
    std::ranges::reverse(rows);
    return rows;
  }

  // Walked with a stack of its own, not by recursion: the builder counts, and leaves out,
  // what lies too deep, however deep a database nests.
  void AddChildren(std::int64_t parent) {
    std::vector<std::vector<Row>> open;
    open.push_back(TakeChildren(parent));
    while (!open.empty()) {
      if (open.back().empty()) {
        open.pop_back();
        if (!open.empty()) {
          tree_.CloseFolder();
        }
        continue;
      }
      Row row = std::move(open.back().back());
      open.back().pop_back();
      if (row.type == kFolderType) {
        tree_.OpenFolder(std::move(row.title));
        open.push_back(TakeChildren(row.id));
      } else if (row.type == kBookmarkType) {
        tree_.AddLink(std::move(row.title), std::move(row.url));
      }
    }
  }

  int checks_ = 0;
  std::map<std::int64_t, std::vector<Row>> children_;
  std::map<std::string, std::int64_t> rootIds_;
  BookmarkTreeBuilder tree_;
};

}  // namespace

Result<Bookmarks> ReadFirefoxPlaces(const std::string& placesPath) {
  auto database = ReadOrdinaryFile(placesPath, kMaxPlacesBytes);
  if (!database) {
    return Result<Bookmarks>::Fail(database.error());
  }
  // What a running Firefox has written lately lies in the write-ahead log alone.
  Result<std::string> log = Result<std::string>::Ok("");
  if (access((placesPath + "-wal").c_str(), F_OK) == 0) {
    log = ReadOrdinaryFile(placesPath + "-wal", kMaxPlacesBytes);
    if (!log) {
      return Result<Bookmarks>::Fail(log.error());
    }
  }
  ApplyWriteAheadLog(*database, *log);
  Result<Bookmarks> bookmarks = PlacesReader().Read(*database);
  return bookmarks ? std::move(bookmarks)
                   : Result<Bookmarks>::Fail(placesPath + ": " + bookmarks.error());
}

}  // namespace kestrin
