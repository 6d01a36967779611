#include "favorites/favorite_record.h"

namespace kestrin {

void RecordList::push_back(const FavoriteRecord& record) {
  for (std::string_view value : {record.Modified, record.Path, record.Name, record.URL,
                                 record.IconFile, record.IconIndex, record.Type}) {
    text_ += value;
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
  }
}

FavoriteRecord RecordList::operator[](std::size_t index) const {
  const std::uint32_t* ends = ends_.data() + index * kValuesPerRecord;
  std::uint32_t start = index == 0 ? 0 : ends[-1];
  std::string_view values[kValuesPerRecord];
  for (std::size_t i = 0; i < kValuesPerRecord; ++i) {
    values[i] = std::string_view(text_.data() + start, ends[i] - start);
    start = ends[i];
  }
  return {values[0], values[1], values[2], values[3], values[4], values[5], values[6]};
}

}  // namespace kestrin
