// The session's part in a synchronization run: the triggers, the run's environment and
// hooks, the run display, and what the end of a run tells.
#include "desktop/desktop_session.h"
#include "desktop/questions.h"
#include "formats/printable_text.h"
#include "sync/apply_changes.h"
#include "sync/sync_run.h"

namespace kestrin::desktop {

// A run once the Favorites folder has been quiet for a while after a change (the user's, the
// browser bridge's or another program's), so that a burst of changes makes one run.
void DesktopSession::FavoritesWatchTick() {
  if (starting_ || runInProgress_ || view_.SettingsShown(stored_).SyncOnChange != 1) {
    return;
  }
  if (favoritesQuiet_.Tick(FavoritesFingerprint(config_.favoritesRoot))) {
    SyncNow();
  }
}

// "Sync Now!" starts the schedule's count again.
void DesktopSession::SyncNow() {
  const bool scheduled = view_.SettingsShown(stored_).Schedule == 1;
  if (scheduled) {
    scheduler_.Stop();
  }
  RunSync();
  if (scheduled) {
    scheduler_.Start(view_.SettingsShown(stored_).ScheduleInt);
  }
}

// One run at a time: the commands are disabled during a run, and this guards the paths
// that could still reach it while the run yields to the window system.
void DesktopSession::RunSync() {
  if (runInProgress_) {
    return;
  }
  runInProgress_ = true;
  ShowCommands();
  SyncEnvironment env = StandardEnvironment(*this, config_.settingsPath);
  env.yield = [this] { view_.Yield(); };
  env.idle = [this](std::chrono::milliseconds duration) { view_.Idle(duration); };
  env.confirm = [this](const ChangeList& changes) { return view_.ConfirmChanges(changes); };
  env.dateFormat = config_.dateFormat;
  env.decimalSeparator = config_.decimalSeparator;
  env.favoritesRoot = config_.favoritesRoot;
  env.keepOnFirstJoin = [this](std::size_t localShortcuts) {
    return KeepOnFirstJoin(localShortcuts);
  };
  env.reportChanges = [this](const RunSummary& summary) { reportedChanges_ = summary; };
  env.trustNewServer = [this](const std::string& server, const std::string& fingerprint) {
    return TrustNewServer(server, fingerprint);
  };
  favoritesChanges_ = 0;
  reportedChanges_.reset();
  const SyncSettings settings = view_.SettingsShown(stored_);
  const bool succeeded = kestrin::RunSync(settings, env);
  runInProgress_ = false;
  ShowCommands();
  if (settings.SyncOnChange == 1) {
    // What the run itself changed is no change to sync again.
    favoritesQuiet_.Rebase(FavoritesFingerprint(config_.favoritesRoot));
  }
  view_.FavoritesChanged();
  NotifyRunEnd(succeeded);
}

// A run that changed nothing passes in silence; one that changed favorites offers to undo it.
void DesktopSession::NotifyRunEnd(bool succeeded) {
  if (!succeeded) {
    view_.Notify({statusText_, true, false});
  } else if (reportedChanges_) {
    view_.Notify({PrintableText(SummaryText(*reportedChanges_)), false, true});
  } else if (favoritesChanges_ > 0) {
    view_.Notify(
        {std::to_string(favoritesChanges_) + " change(s) made to your Favorites.", false, false});
  }
}

// Keeping loses nothing, so it is the default.
bool DesktopSession::KeepOnFirstJoin(std::size_t localShortcuts) {
  return view_.Ask(FirstJoinQuestion(localShortcuts)) != kReplaceWithSharedList;
}

// Trust is given, never assumed: not trusting is the default.
bool DesktopSession::TrustNewServer(const std::string& server, const std::string& fingerprint) {
  return view_.Ask(TrustServerQuestion(server, fingerprint)) == kTrustServer;
}

void DesktopSession::ClearActivityPane() {
  view_.ClearActivity();
}

void DesktopSession::AppendActivityLine(const std::string& text) {
  if (IsFavoritesChangeLine(text)) {
    ++favoritesChanges_;
  }
  view_.AppendActivity(PrintableText(text));
}

// While a long pass shows its progress in the status text, the lines' texts wait.
void DesktopSession::SetStatusText(const std::string& text) {
  statusText_ = PrintableText(text);
  if (!progressShown_) {
    view_.ShowStatus(statusText_);
  }
}

void DesktopSession::ShowProgress(const std::string& text) {
  progressShown_ = !text.empty();
  view_.ShowStatus(progressShown_ ? PrintableText(text) : statusText_);
}

void DesktopSession::SetTrayState(StatusImage image, const std::string& tooltip) {
  view_.ShowTrayState(image, PrintableText(tooltip));
}

void DesktopSession::ShowRunState(bool running) {
  view_.ShowRunState(running);
  view_.ShowCommands(CommandsFor(running, HasRestorePoint()));
}

}  // namespace kestrin::desktop
