#include "sync/sealed_generation.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/native_path.h"
#include "platform/whole_file.h"
#include "sync/shared_folder_state.h"
#include "sync/shared_list_form.h"

namespace kestrin {
namespace {

constexpr char kRecordName[] = "sealed.generation";

Result<std::optional<std::uint64_t>> ReadSeen(const std::string& record) {
  using R = Result<std::optional<std::uint64_t>>;
  std::error_code error;
  if (!std::filesystem::exists(NativePath(record), error)) {
    return R::Ok(std::nullopt);
  }
  const Result<std::string> text = ReadOrdinaryFile(record, 64);
  if (!text) {
    return R::Fail(text.error());
  }
  std::uint64_t seen = 0;
  const char* end = text->data() + text->size();
  const auto [stop, failed] = std::from_chars(text->data(), end, seen);
  if (failed != std::errc() || std::string_view(stop, end) != "\n") {
    return R::Fail(record + ": not a generation number");
  }
  return R::Ok(seen);
}

// Why the list found must not be taken; empty when it may.
std::string Refusal(const std::optional<std::uint64_t>& seen, const std::optional<SealLabel>& found,
                    const std::string& folder) {
  if (!found) {
    return seen ? "missing, though this computer has seen generation " + std::to_string(*seen) +
                      " of it"
                : "";
  }
  if (found->namesFolder && found->folder != folder) {
    return "sealed for the shared folder \"" + found->folder + "\", not \"" + folder + "\"";
  }
  if (seen && found->generation < *seen) {
    return "generation " + std::to_string(found->generation) + " is older than generation " +
           std::to_string(*seen) + ", which this computer has seen";
  }
  return "";
}

}  // namespace

StepResult CheckSealedListFound(const std::string& workFolder, const SyncSettings& settings,
                                const std::optional<SealLabel>& found, bool startOver,
                                SealedGenerations& generations) {
  const SharedListForm form = SharedListFormOf(settings);
  if (!form.sealed()) {
    return StepResult::Ok();
  }
  const std::string failure = "Unable to Read Remote Data File: " + form.name;
  generations.stateFolder = SharedFolderStateOf(workFolder, settings);
  const auto seen = ReadSeen(generations.stateFolder + kRecordName);
  if (!seen) {
    return StepFailed(failure, seen.error());
  }
  generations.seen = *seen;
  if (const std::string refusal = Refusal(*seen, found, form.folder);
      !refusal.empty() && !startOver) {
    return StepFailed(failure + ": " + refusal,
                      "Someone who can write the server folder may have put it back, deleted it "
                      "or copied it there. To start over from what is there, run kestrin-cli "
                      "sync --keep-local.");
  }
  return StepResult::Ok();
}

std::uint64_t NextGeneration(const SealedGenerations& generations,
                             const std::optional<SealLabel>& found) {
  return std::max(generations.seen.value_or(0), found ? found->generation : 0) + 1;
}

Result<> RememberSealedGeneration(SealedGenerations& generations, std::uint64_t generation) {
  if (generations.seen && *generations.seen >= generation) {
    return Result<>::Ok();
  }
  if (const Result<> made = MakeSharedFolderState(generations.stateFolder); !made) {
    return made;
  }
  const Result<> kept = WriteFileAtomically(generations.stateFolder + kRecordName,
                                            std::to_string(generation) + "\n", 0600);
  if (kept) {
    generations.seen = generation;
  }
  return kept;
}

}  // namespace kestrin
