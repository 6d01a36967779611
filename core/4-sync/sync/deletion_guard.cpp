#include "sync/deletion_guard.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/whole_file.h"
#include "sync/shared_folder_state.h"

namespace kestrin {

std::size_t DeletionGuard::MeasuredAgainst(std::size_t shortcuts) const {
  // Shortcuts added since count too: a large import makes a few deletions no mass deletion.
  return std::max(shortcutsSeenWhole, shortcuts);
}

bool DeletionGuard::IsMassDeletion(std::size_t deleting, std::size_t shortcuts) const {
  const std::size_t deleted = Deleted(deleting);
  return deleting > 0 && deleted >= kMassDeletion && 2 * deleted > MeasuredAgainst(shortcuts);
}

namespace {

// A whole number followed by `after`; the text after that, or nothing.
std::optional<std::string_view> ReadNumber(std::string_view text, std::size_t& number, char after) {
  const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || next == text.data() + text.size() || *next != after) {
    return std::nullopt;
  }
  return text.substr(next - text.data() + 1);
}

}  // namespace

DeletionGuard ReadDeletionGuard(const std::string& path, std::size_t shortcuts) {
  // "<shortcuts seen whole> <deleted since>" and a line end.
  const auto bytes = ReadOrdinaryFile(path, 64);
  DeletionGuard guard;
  const auto rest = bytes ? ReadNumber(*bytes, guard.shortcutsSeenWhole, ' ') : std::nullopt;
  if (!rest || !ReadNumber(*rest, guard.deletedSince, '\n')) {
    return {shortcuts, 0};
  }
  return guard;
}

void KeepDeletionGuard(const std::string& path, const DeletionGuard& guard) {
  if (!MakeSharedFolderState(path.substr(0, path.rfind('/') + 1))) {
    return;
  }
  const std::string text =
      std::to_string(guard.shortcutsSeenWhole) + ' ' + std::to_string(guard.deletedSince) + '\n';
  // Most runs keep it as it was: each write waits for the disk.
  if (const auto kept = ReadOrdinaryFile(path, 64); kept && *kept == text) {
    return;
  }
  static_cast<void>(WriteFileAtomically(path, text, 0600));
}

}  // namespace kestrin
