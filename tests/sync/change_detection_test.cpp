// The merge decision: who uploaded last, and what the shared list makes of the rest.

#include <gtest/gtest.h>

#include <random>

#include "sync/change_detection.h"

namespace kestrin {
namespace {

// Views of the arguments: each record goes into a list within the expression that makes it.
FavoriteRecord Shortcut(std::string_view path, std::string_view name, std::string_view url,
                        std::string_view modified = "1/1/2026 10:00:00 AM") {
  return {modified, path, name, url, "", "", "F"};
}
FavoriteRecord Folder(std::string_view path) {
  return {"1/1/2026", path, "", "", "", "", "D"};
}

FavoritesDataFile List(std::string computer, std::initializer_list<FavoriteRecord> records) {
  FavoritesDataFile list{{computer, "1/1/2026"}, {}};
  for (const FavoriteRecord& record : records) {
    list.records.push_back(record);
  }
  return list;
}

std::string Key(const FavoriteRecord& record) {
  return std::string(record.Path).append(record.Name);
}

ChangeList Changes(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                   const RecordList* base = nullptr) {
  auto changes = ChangesToApply(local, shared, base, EnUsGeneralDateFormat());
  EXPECT_TRUE(changes) << changes.error();
  return changes ? *changes : ChangeList{};
}

TEST(ChangeDetectionTest, MissingKeysAreCreatedAndExtraOnesDeletedInFileOrder) {
  // The changes are views into the lists, which therefore outlive them.
  const auto local =
      List("A", {Folder("Old"), Shortcut("Old\\", "o.url", "u1"), Shortcut("", "k.url", "k")});
  const auto shared = List("B", {Folder("New"), Shortcut("New\\", "n.url", "u2", "1/2/2026"),
                                 Shortcut("", "k.url", "k")});
  const auto changes = Changes(local, shared);
  EXPECT_EQ(changes.DeleteList, (std::vector<PendingChange>{{"Old", "", "", "", "", "D"},
                                                            {"Old\\", "o.url", "", "", "", "F"}}));
  EXPECT_EQ(changes.CreateList,
            (std::vector<PendingChange>{{"New", "", "", "", "", "D", "1/1/2026"},
                                        {"New\\", "n.url", "u2", "", "", "F", "1/2/2026"}}));
}

TEST(ChangeDetectionTest, ADifferentUrlIsTakenOnlyFromAStrictlyNewerSharedCopy) {
  const auto local = List("A", {Shortcut("", "p.url", "old", "1/1/2026 10:00:00 AM")});
  EXPECT_EQ(Changes(local, List("B", {Shortcut("", "p.url", "new", "1/1/2026 10:00:01 AM")}))
                .CreateList.size(),
            1u);
  EXPECT_TRUE(Changes(local, List("B", {Shortcut("", "p.url", "new", "1/1/2026 10:00:00 AM")}))
                  .CreateList.empty());
  EXPECT_TRUE(
      Changes(local, List("B", {Shortcut("", "p.url", "new", "1/1/2026")})).CreateList.empty());
  // Icons alone never create anything, and the key is never deleted.
  auto icon = Shortcut("", "p.url", "old", "1/1/2027");
  icon.IconFile = "x.ico";
  const auto changes = Changes(local, List("B", {icon}));
  EXPECT_TRUE(changes.CreateList.empty());
  EXPECT_TRUE(changes.DeleteList.empty());
}

TEST(ChangeDetectionTest, KeysAreExactAndJoinedWithoutSeparator) {
  auto changes = Changes(List("A", {Shortcut("Links\\", "A.url", "u")}),
                         List("B", {Shortcut("links\\", "A.url", "u")}));
  EXPECT_EQ(changes.CreateList.size(), 1u);
  EXPECT_EQ(changes.DeleteList.size(), 1u);
  // Folder A\Burl and shortcut Burl in folder A share the key "A\Burl".
  changes = Changes(List("A", {Folder("A\\Burl")}), List("B", {Shortcut("A\\", "Burl", "")}));
  EXPECT_TRUE(changes.CreateList.empty());
  EXPECT_TRUE(changes.DeleteList.empty());
}

TEST(ChangeDetectionTest, AnUnreadableDateIsAFailureNotAGuess) {
  const auto changes =
      ChangesToApply(List("A", {Shortcut("", "p.url", "a", "yesterday")}),
                     List("B", {Shortcut("", "p.url", "b")}), nullptr, EnUsGeneralDateFormat());
  EXPECT_FALSE(changes);
}

// The indexed comparison must decide exactly as comparing every pair would, with and
// without the list last agreed on.
TEST(ChangeDetectionTest, IndexedResultEqualsTheNestedScanOnRandomLists) {
  std::mt19937 random(20261206);
  const auto randomList = [&](const std::string& computer) {
    FavoritesDataFile list = List(computer, {});
    for (int i = 0; i < 300; ++i) {
      const std::string key = std::to_string(random() % 60);
      const std::string time = "1/1/2026 10:00:0" + std::to_string(random() % 3) + " AM";
      list.records.push_back(
          random() % 4 == 0 ? Folder("F" + key)
                            : Shortcut("", key + ".url", "u" + std::to_string(random() % 3), time));
    }
    return list;
  };
  const auto find = [](const FavoritesDataFile& list, const FavoriteRecord& record) {
    for (const auto& candidate : list.records)
      if (Key(candidate) == Key(record))
        return std::optional<FavoriteRecord>(candidate);
    return std::optional<FavoriteRecord>();
  };
  for (int round = 0; round < 40; ++round) {
    const auto local = randomList("A");
    const auto shared = randomList("B");
    const auto base = round % 2 ? std::optional(randomList("A")) : std::nullopt;
    // Unchanged since the base: the base has the key with the same URL.
    const auto agreed = [&](const FavoriteRecord& record) {
      const auto known = base ? find(*base, record) : std::nullopt;
      return known && known->URL == record.URL;
    };
    ChangeList nested;
    for (const auto& l : local.records) {
      if (!find(shared, l) && (!base || agreed(l)))
        nested.DeleteList.push_back({l.Path, l.Name, "", "", "", l.Type});
    }
    for (const auto& s : shared.records) {
      bool covered = !find(local, s) && base && agreed(s);
      for (const auto& l : local.records) {
        if (Key(l) != Key(s))
          continue;
        covered = covered || l.URL == s.URL ||
                  *ParseGeneralDate(l.Modified, EnUsGeneralDateFormat()) >=
                      *ParseGeneralDate(s.Modified, EnUsGeneralDateFormat());
      }
      if (!covered)
        nested.CreateList.push_back(
            {s.Path, s.Name, s.URL, s.IconFile, s.IconIndex, s.Type, s.Modified});
    }
    const auto indexed = Changes(local, shared, base ? &base->records : nullptr);
    EXPECT_EQ(indexed.CreateList, nested.CreateList);
    EXPECT_EQ(indexed.DeleteList, nested.DeleteList);
  }
}

}  // namespace
}  // namespace kestrin
