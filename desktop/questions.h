#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bookmarks/browser_profiles.h"
#include "formats/general_date.h"
#include "sync/restore_point.h"

namespace kestrin::desktop {

// A modal question whose buttons are the answers ("&" marks a mnemonic), the first the
// default. The front end returns the index of the answer chosen; Escape chooses `escape`,
// and without one (-1) an answer is needed.
struct Question {
  std::string text;
  std::vector<std::string> answers;
  int escape = -1;
};

// A modal box with an OK button, titled with the application title.
struct Message {
  enum class Icon { Exclamation, Information };
  Icon icon;
  std::string text;
};

// Something worth knowing while the window is out of sight, shown as the tray icon's
// message (or the desktop's notification where there is no icon). `offersUndo`: choosing
// the notice (or its "Undo" button) calls DesktopSession::UndoLastSync.
struct Notice {
  std::string text;
  bool failure = false;
  bool offersUndo = false;
};

// At a computer's first join: answer 0 keeps this computer's favorites (the default,
// since keeping loses nothing), answer 1 replaces them with the shared list.
Question FirstJoinQuestion(std::size_t localShortcuts);
inline constexpr int kReplaceWithSharedList = 1;

// A server identity never seen before: answer 1 trusts it; not trusting is the default.
Question TrustServerQuestion(const std::string& server, const std::string& fingerprint);
inline constexpr int kTrustServer = 1;

// What a restore point holds, as "3 shortcuts and 1 folder".
std::string RestorePointContents(const RestorePoint& point);

// Undo Last Sync's question about the newest restore point, with its date in `dateFormat`:
// answer 0 puts back, answer 1 (and Escape) cancels.
Question UndoQuestion(const RestorePoint& newest, const GeneralDateFormat& dateFormat);
inline constexpr int kPutBack = 0;

// File → Import Bookmarks…: one answer per browser found ("From Firefox"), then
// "From a Bookmark File…" and "Cancel" (also Escape).
Question ImportSourceQuestion(const std::vector<FoundBrowser>& browsers);

}  // namespace kestrin::desktop
