#include <algorithm>
#include <iostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "platform/large_blocks.h"
#include "platform/secrets_out_of_dumps.h"
#include "settings/program_files.h"

namespace {

constexpr char kUsage[] =
    "Usage: kestrin-cli COMMAND [OPTIONS]\n"
    "\n"
    "  sync [--settings FILE] [--favorites DIR] [--yes | --no] [--quiet] [--dry-run]\n"
    "       [--keep-local] [--trust-new-server]\n"
    "      One synchronization with the desktop program's settings (or FILE).\n"
    "      --yes applies confirmed changes without asking, --no cancels them.\n"
    "      --trust-new-server trusts an SFTP server, or a TLS certificate the system does\n"
    "      not trust, seen for the first time, instead of asking; its fingerprint is kept\n"
    "      and a server that later shows another is refused. A server whose certificate\n"
    "      the system trusted is never new again: an untrusted one is refused.\n"
    "      --keep-local deletes nothing here: favorites the shared list lacks are kept\n"
    "      and uploaded, so every computer receives them. It also starts over from a\n"
    "      sealed list refused as older than one seen, missing or from another folder.\n"
    "      --quiet prints nothing but errors. --dry-run prints the changes the run\n"
    "      would make to the Favorites folder and changes nothing anywhere.\n"
    "  restore [ID] [--settings FILE] [--favorites DIR]\n"
    "      Puts back what a run deleted or overwrote in the Favorites folder, as restore\n"
    "      point ID (the newest by default) saved it, after saving what it replaces.\n"
    "  restore --list [--settings FILE]\n"
    "      Prints each restore point: its id, when it was made and what it holds.\n"
    "  export --html FILE [--settings FILE] [--favorites DIR]\n"
    "      Writes the Favorites as a bookmark file (HTML) that every browser imports.\n"
    "  import (--html FILE | --from firefox|chromium|chrome [--profile DIR])\n"
    "         [--into FOLDER] [--settings FILE] [--favorites DIR]\n"
    "      Brings a bookmark file's or a browser's bookmarks into the Favorites (below\n"
    "      FOLDER, relative to them): nothing is deleted or overwritten; a shortcut whose\n"
    "      name holds another URL gets a numbered name (\"Name (2).url\").\n"
    "  open FILE\n"
    "      Opens the http, https, ftp or file URL of a shortcut (.url) in the browser.\n"
    "  snapshot [--favorites DIR] [--name NAME] [--encode]\n"
    "      Writes the favorites data file of DIR to standard output.\n"
    "  show FILE [--decode] [--settings FILE]\n"
    "      Prints a data file's header and records, one per line, tab-separated.\n"
    "  startup [--settings FILE]\n"
    "      Adds the desktop program to the programs started at logon when the settings'\n"
    "      StartWithWin is 1, and removes it otherwise.\n"
    "  diff LOCAL SHARED [--base AGREED] [--decode] [--settings FILE]\n"
    "      Prints the changes a run would make to LOCAL's computer; applies nothing.\n"
    "      --decode reads Radix-64 fields (a copy of favs.dat.enc); a sealed file (a copy\n"
    "      of favs.dat.sealed) is opened with the passphrase of the settings (or FILE).\n"
    "\n"
    "  --version\n"
    "      Prints the program's name and version.\n"
    "\n"
    "\"Error: \" lines and their reasons also go to standard error.\n"
    "Exit status: 0 success, 1 failure (an \"Error: \" line or an unreadable file), 2 bad\n"
    "arguments, 3 changes wait for confirmation (no terminal to ask, neither --yes nor --no):\n"
    "with \"ConfirmChanges\" set, or a run that would delete more than half of the favorites.\n";

}  // namespace

int main(int argc, char** argv) {
  kestrin::KeepSecretsOutOfDumps();
  kestrin::cli::UseByteOutput();
  kestrin::ReturnLargeBlocksWhenFreed();
  const std::vector<std::string> words(argv + std::min(argc, 2), argv + argc);
  const std::string command = argc > 1 ? argv[1] : "";
  const bool helpAsked = std::find(words.begin(), words.end(), "--help") != words.end();
  if (command == "--help" || command == "-h" || command == "help" || helpAsked) {
    std::cout << kUsage;
    return kestrin::cli::kExitOk;
  }
  if (command == "--version") {
    std::cout << "kestrin-cli " KESTRIN_VERSION "\n";
    return kestrin::cli::kExitOk;
  }
  const bool quiet = std::find(words.begin(), words.end(), "--quiet") != words.end();
  for (const std::string& line : kestrin::MoveFilesFromExecutableFolder()) {
    if (!quiet) {
      std::cerr << "kestrin-cli: " << line << "\n";
    }
  }
  using Handler = int (*)(const std::vector<std::string>&);
  namespace cli = kestrin::cli;
  const std::pair<std::string_view, Handler> commands[] = {
      {"sync", cli::SyncCommand},         {"restore", cli::RestoreCommand},
      {"snapshot", cli::SnapshotCommand}, {"show", cli::ShowCommand},
      {"diff", cli::DiffCommand},         {"startup", cli::StartupCommand},
      {"export", cli::ExportCommand},     {"import", cli::ImportCommand},
      {"open", cli::OpenCommand}};
  const auto found =
      std::ranges::find(commands, command, &std::pair<std::string_view, Handler>::first);
  const Handler handler = found != std::end(commands) ? found->second : nullptr;
  const int status = handler ? handler(words) : kestrin::cli::kExitUsage;
  if (status == kestrin::cli::kExitUsage) {
    std::cerr << kUsage;
  }
  return status;
}
