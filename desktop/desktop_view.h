#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "desktop/commands.h"
#include "desktop/questions.h"
#include "settings/sync_settings.h"
#include "sync/change_list.h"
#include "sync/run_display.h"

namespace kestrin::desktop {

// The first setting a first start asks for, on the page that holds it.
enum class SettingField { Name, Server, Username, Password, Port };

// What a bookmark file is asked for.
enum class BookmarkFileUse { Import, Export };

// What DesktopSession asks of a front end: each desktop program implements it by drawing
// (widgets, message boxes, the tray icon) and answers the questions from its user. Every
// call comes from the user-interface thread, also while a run yields. Texts that quote a
// server, a list or the Favorites folder arrive already printable.
class DesktopView {
 public:
  virtual ~DesktopView() = default;

  // The settings as the controls hold them now, put over `stored` (the keys that have no
  // control keep their stored values).
  virtual SyncSettings SettingsShown(const SyncSettings& stored) const = 0;
  // Puts loaded settings into the controls, each as the user would set it, so that the
  // controls' handlers run (and call the session's interlocks) as for the user.
  virtual void ShowSettings(const SyncSettings& settings) = 0;
  // Clears "Sync on Startup" and "Schedule Sync" and puts them, their labels and the
  // "Every:" list out of reach: nothing synchronizes by itself at start-up.
  virtual void LockStartupOptions() = 0;

  // The run display: activity pane, status text (panel 1), tray picture and tooltip
  // (the front end cuts the tooltip to what its tray holds).
  virtual void ClearActivity() = 0;
  virtual void AppendActivity(const std::string& line) = 0;
  virtual void ShowStatus(const std::string& text) = 0;
  virtual void ShowTrayState(StatusImage image, const std::string& tooltip) = 0;
  // A run began (true: show the activity page) or ended (false: give the window back its
  // focus if it is visible).
  virtual void ShowRunState(bool running) = 0;
  virtual void ShowCommands(const CommandStates& commands) = 0;
  // A run or an undo may have changed the Favorites folder: the Favorites menu reads
  // every folder again when it next shows.
  virtual void FavoritesChanged() = 0;

  // The main window. ShowWindow gives it the focus, on `focus`'s page and field if given.
  virtual bool WindowVisible() const = 0;
  virtual void ShowWindow(std::optional<SettingField> focus = std::nullopt) = 0;
  virtual void HideWindow() = 0;
  // Closes the main window for good: the program ends (after DesktopSession::Closing).
  virtual void CloseWindow() = 0;

  // Modal boxes: they return when the user has answered.
  virtual void ShowMessage(const Message& message) = 0;
  virtual int Ask(const Question& question) = 0;
  virtual void Notify(const Notice& notice) = 0;
  // The change confirmation dialog (desktop/countdown.h counts its timeout): shown beside
  // the window, the user interface kept running until it closed. The ticked rows after
  // "Process"; nullopt after "Cancel", the countdown or any other close.
  virtual std::optional<std::vector<ChangeRow>> ConfirmChanges(const ChangeList& changes) = 0;

  // Asks for a bookmark file (HTML) to import from or to export to, offering `suggested`
  // (empty: none); nullopt when the user cancelled. A front end without file dialogs keeps
  // this default and offers no file.
  virtual std::optional<std::string> AskBookmarkFile(BookmarkFileUse /*use*/,
                                                     const std::string& /*suggested*/) {
    return std::nullopt;
  }

  // Lets the window system handle what is pending; waits `duration` keeping it running.
  virtual void Yield() = 0;
  virtual void Idle(std::chrono::milliseconds duration) = 0;
  // Opens a document, URL or folder with the desktop's default program; false when it
  // could not ask.
  virtual bool Open(const std::string& target) = 0;
};

}  // namespace kestrin::desktop
