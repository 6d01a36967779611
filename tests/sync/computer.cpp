#include "tests/sync/computer.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "favorites/scanner.h"
#include "sync/shared_list_form.h"

namespace kestrin::test {

Computer::Computer(const std::string& name, const FtpServer& server, bool passive,
                   RunDisplay& shownOn)
    : env(StandardEnvironment(shownOn, program_.path() + "kestrin.ini")) {
  settings.Name = name;
  settings.Server = "127.0.0.1";
  settings.Username = server.user();
  settings.Password = server.password();
  settings.Port = std::to_string(server.port());
  settings.Passive = passive ? 1 : 0;
  settings.Protocol = static_cast<int>(server.protocol());
  settings.ConfirmChanges = 0;
  env.ftpOptions.sshKeyFolder = server.sshKeyFolder();
  env.trustNewServer = [](const std::string&, const std::string&) { return true; };
  env.favoritesRoot = favorites_.path();
  env.monotonicNow = [this] { return clock; };
  env.idle = [this](std::chrono::milliseconds duration) {
    clock += duration;
    if (onIdle) {
      onIdle();
    }
  };
}

void Computer::AddShortcut(const std::string& relativePath, const std::string& url) {
  const std::filesystem::path file = env.favoritesRoot + relativePath;
  std::filesystem::create_directories(file.parent_path());
  WriteFileBytes(file, "[InternetShortcut]\r\nURL=" + url + "\r\nIconFile=\r\nIconIndex=\r\n");
}

bool Computer::Sync() {
  return RunSync(settings, env);
}

std::map<std::string, std::string> Computer::Tree() const {
  return test::Tree(env.favoritesRoot);
}

std::string Computer::Records() const {
  std::ostringstream records;
  ScanFavoritesFolder(
      env.favoritesRoot, records,
      ScanOptions{SharedListFormOf(settings).encodedFields, env.dateFormat, {}, {}});
  return records.str();
}

void TwoComputersTest::SetUp() {
  server = FtpServer::Start(FtpServerKind::Pyftpdlib);
  if (!server) {
    GTEST_SKIP() << "pyftpdlib cannot run here";
  }
  a = std::make_unique<Computer>("A", *server);
  b = std::make_unique<Computer>("B", *server);
}

Outcome RunCli(const Computer& computer, const std::string& command) {
  // An SFTP login finds the user's key in HOME.
  const std::string& keys = computer.env.ftpOptions.sshKeyFolder;
  return RunCli(command + " --settings '" + computer.program() + "kestrin.ini' --favorites '" +
                    computer.favorites() + "'",
                keys.empty() ? "" : "HOME='" + keys + "..'");
}

std::vector<std::string> WithoutDates(const std::vector<std::string>& lines) {
  std::vector<std::string> result;
  for (const std::string& line : lines) {
    const size_t at = line.find(" at ");
    const bool dated =
        line.rfind("kestrin started at ", 0) == 0 || line.rfind("kestrin ended at ", 0) == 0;
    result.push_back(dated ? line.substr(0, at + 3) : line);
  }
  return result;
}

std::vector<std::string> Ending(const std::vector<std::string>& runLines) {
  std::vector<std::string> lines;
  for (const std::string& line : WithoutDates(runLines)) {
    if (!line.starts_with("  ")) {
      lines.push_back(line);
    }
  }
  return std::vector<std::string>(lines.end() - std::min<size_t>(3, lines.size()), lines.end());
}

std::string Reason(const std::vector<std::string>& lines) {
  const auto error = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("Error: ");
  });
  if (error == lines.end() || error + 1 == lines.end() || !error[1].starts_with("  ")) {
    return "";
  }
  return error[1].substr(2);
}

}  // namespace kestrin::test
