#include "favorites/favorite_record.h"

namespace kestrin {

void RecordList::push_back(const FavoriteRecord& record) {
  for (std::string_view value : {record.Modified, record.Path, record.Name, record.URL,
                                 record.IconFile, record.IconIndex, record.Type}) {
    text_ += value;
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
  }
}

}  // namespace kestrin
