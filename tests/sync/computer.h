#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/sync_settings.h"
#include "sync/sync_run.h"
#include "tests/support/cli_run.h"
#include "tests/support/ftp_server.h"

namespace kestrin::test {

// What a run showed: every activity line, the status texts, progress and tray states in order.
class RecordingDisplay : public RunDisplay {
 public:
  void ClearActivityPane() override { lines.clear(); }
  void AppendActivityLine(const std::string& text) override { lines.push_back(text); }
  void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
  void SetTrayState(StatusImage image, const std::string& tooltip) override {
    trayImage = image;
    trayTooltip = tooltip;
  }
  void ShowRunState(bool running) override { runStates.push_back(running); }
  void ShowProgress(const std::string& text) override { progress.push_back(text); }

  std::vector<std::string> lines;
  std::vector<std::string> statusTexts;
  std::vector<bool> runStates;
  std::vector<std::string> progress;
  StatusImage trayImage = StatusImage::Ready;
  std::string trayTooltip;
};

// One computer: its own program folder (settings, log, working files) and Favorites
// folder, synchronizing through a real server on an injected clock.
class Computer {
  TempDir program_;
  TempDir favorites_;

 public:
  Computer(const std::string& name, const FtpServer& server, bool passive = true)
      : Computer(name, server, passive, display) {}

  // A shortcut file in the form a run writes it, relative to the Favorites folder ("a/b.url").
  void AddShortcut(const std::string& relativePath, const std::string& url);
  // A fresh temporary folder unless a test points env.favoritesRoot elsewhere.
  std::string favorites() const { return env.favoritesRoot; }
  std::string program() const { return program_.path(); }

  // One run; true when it ended without an "Error: " line.
  bool Sync();

  // Every folder and file below the Favorites folder with the file's bytes.
  std::map<std::string, std::string> Tree() const;
  // The records a scan of the Favorites folder writes now: a data file without its header.
  std::string Records() const;

  SyncSettings settings;
  RecordingDisplay display;
  SyncEnvironment env;
  std::chrono::steady_clock::time_point clock{};  // advanced by the run's idle waits
  std::function<void()> onIdle;                   // what happens on the server meanwhile

 protected:
  // A computer whose runs show on another display than its own.
  Computer(const std::string& name, const FtpServer& server, bool passive, RunDisplay& shownOn);
};

// Two computers, A and B, sharing a fresh pyftpdlib server. A test that extends SetUp
// returns early when this one skipped.
class TwoComputersTest : public ::testing::Test {
 protected:
  void SetUp() override;

  std::unique_ptr<FtpServer> server;
  std::unique_ptr<Computer> a, b;
};

// kestrin-cli COMMAND with the computer's settings file and Favorites folder, in the C
// locale, with no terminal on its input.
Outcome RunCli(const Computer& computer, const std::string& command);

// The lines of a run without their dates: "kestrin started at" and "kestrin ended at".
std::vector<std::string> WithoutDates(const std::vector<std::string>& lines);

// The last three lines of a failed run without the date, leaving out the reason line.
std::vector<std::string> Ending(const std::vector<std::string>& lines);

// The reason shown under the run's "Error: " line, without its two leading blanks; "" if none.
std::string Reason(const std::vector<std::string>& lines);

}  // namespace kestrin::test
