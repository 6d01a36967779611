#pragma once

#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ftp_server.h"
#include "tests/support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/process_dialog.h"

namespace kestrin::test {

// Answers every modal message box as soon as it opens, with its default answer where it has
// one, else OK, remembering what it said.
class MessageBoxAnswerer {
 public:
  struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    Qt::TextFormat format;
    QString answer;  // the default answer's text
  };

  MessageBoxAnswerer();
  const std::vector<Seen>& seen() const { return seen_; }

 private:
  QTimer poll_;
  std::vector<Seen> seen_;
};

// Answers the confirmation dialog of a run once it is shown.
class ProcessDialogAnswerer {
 public:
  explicit ProcessDialogAnswerer(std::function<void(ui::ProcessDialog&)> answer);
  bool answered() const { return answered_; }

 private:
  QTimer poll_;
  bool answered_ = false;
};

// One computer as the desktop program sees it: a settings file and a Favorites folder in a
// temporary folder; a clock that never ticks by itself; documents recorded, not opened.
class TestComputer {
 public:
  TestComputer();

  std::string settingsPath() const { return dir_.path() + "kestrin.ini"; }
  std::string favoritesRoot() const { return dir_.path() + "Favorites/"; }
  const std::string& folder() const { return dir_.path(); }
  void WriteSettings(const std::string& lines) const;
  // A shortcut file relative to the Favorites folder ("a/b.url").
  void AddShortcut(const std::string& relativePath, const std::string& url) const;

  // This computer's files, a day between ticks, documents opened into openedDocuments().
  ui::MainWindowConfig Config() const;
  // Creates the window as start-up does.
  ui::MainWindow& Start();
  // Starts the window and types in the settings that reach the server, as a user would.
  ui::MainWindow& StartWith(const FtpServer& server, const std::string& name, bool confirm);
  ui::MainWindow& window() { return *window_; }
  const std::vector<std::string>& openedDocuments() const { return *opened_; }

 private:
  TempDir dir_;
  std::shared_ptr<std::vector<std::string>> opened_;
  std::unique_ptr<ui::MainWindow> window_;
};

// Lets queued events (show, hide, focus) take effect.
void ProcessEvents();

}  // namespace kestrin::test
