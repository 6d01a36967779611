#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

// One folder ("D") or Internet shortcut ("F") as a line of the favorites data file. The
// values are views: into the list that holds the record, or into whatever the writer of a
// record keeps them in.
struct FavoriteRecord {
  std::string_view Modified;
  std::string_view Path;
  std::string_view Name;
  std::string_view URL;
  std::string_view IconFile;
  std::string_view IconIndex;
  std::string_view Type;

  bool operator==(const FavoriteRecord&) const = default;
};

// The records of a list, kept compactly: a hundred thousand of them are read twice in a run,
// and seven strings a record would cost several times the text itself. All values lie back
// to back in one text; for each value only where it ends is kept.
class RecordList {
 public:
  static constexpr std::size_t kValuesPerRecord = 7;

  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = FavoriteRecord;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = FavoriteRecord;

    Iterator(const RecordList& list, std::size_t index) : list_(&list), index_(index) {}
    FavoriteRecord operator*() const { return (*list_)[index_]; }
    Iterator& operator++() {
      ++index_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++index_;
      return before;
    }
    bool operator==(const Iterator& other) const { return index_ == other.index_; }

   private:
    const RecordList* list_;
    std::size_t index_;
  };

  RecordList() = default;
  // Takes values already back to back in `text`; `ends` holds, seven a record in the field
  // order of FavoriteRecord, where each value ends.
  RecordList(std::string text, std::vector<std::uint32_t> ends)
      : text_(std::move(text)), ends_(std::move(ends)) {}

  // Appends a copy of the record's values.
  void push_back(const FavoriteRecord& record);

  std::size_t size() const { return ends_.size() / kValuesPerRecord; }
  bool empty() const { return ends_.empty(); }
  FavoriteRecord operator[](std::size_t index) const {
    const std::uint32_t* ends = ends_.data() + index * kValuesPerRecord;
    const char* text = text_.data();
    const std::uint32_t start = index == 0 ? 0 : ends[-1];
    return {{text + start, ends[0] - start},     {text + ends[0], ends[1] - ends[0]},
            {text + ends[1], ends[2] - ends[1]}, {text + ends[2], ends[3] - ends[2]},
            {text + ends[3], ends[4] - ends[3]}, {text + ends[4], ends[5] - ends[4]},
            {text + ends[5], ends[6] - ends[5]}};
  }
  Iterator begin() const { return {*this, 0}; }
  Iterator end() const { return {*this, size()}; }

  // The same records in the same order.
  bool operator==(const RecordList&) const = default;

 private:
  std::string text_;
  std::vector<std::uint32_t> ends_;
};

struct DataFileHeader {
  std::string ComputerName;
  std::string WrittenAt;
};

struct FavoritesDataFile {
  DataFileHeader header;
  RecordList records;
};

}  // namespace kestrin
