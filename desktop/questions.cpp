#include "desktop/questions.h"

#include "formats/printable_text.h"

namespace kestrin::desktop {

namespace {

// "one" for a single thing, else `many` with the count in place of "%1".
std::string Counted(std::size_t count, const std::string& one, const std::string& many) {
  if (count == 1) {
    return one;
  }
  std::string text = many;
  text.replace(text.find("%1"), 2, std::to_string(count));
  return text;
}

}  // namespace

Question FirstJoinQuestion(std::size_t localShortcuts) {
  return {
      "The shared list on the server holds the favorites of another computer.\n\n"
      "What should become of " +
          Counted(localShortcuts, "this computer's favorite", "this computer's %1 favorites") + "?",
      {Counted(localShortcuts, "Keep this computer's favorite and add it to the shared list",
               "Keep this computer's %1 favorites and add them to the shared list"),
       "Replace them with the shared list"}};
}

Question TrustServerQuestion(const std::string& server, const std::string& fingerprint) {
  return {"The server " + PrintableText(server) +
              " is new to this computer. Its key fingerprint is\n\n" + fingerprint +
              "\n\nTrust it only if that is the fingerprint the server's owner gives. A server "
              "that shows another one later is refused.",
          {"Do &Not Trust", "&Trust This Server"},
          0};
}

std::string RestorePointContents(const RestorePoint& point) {
  std::size_t folders = 0;
  for (const SavedItem& item : point.items) {
    folders += item.folder ? 1 : 0;
  }
  std::string what = Counted(point.items.size() - folders, "1 shortcut", "%1 shortcuts");
  if (folders > 0) {
    what += " and " + Counted(folders, "1 folder", "%1 folders");
  }
  return what;
}

Question UndoQuestion(const RestorePoint& newest, const GeneralDateFormat& dateFormat) {
  return {"Put back " + RestorePointContents(newest) + " from before the sync of " +
              FormatGeneralDate(newest.made, dateFormat) + "?",
          {"Put Back", "Cancel"},
          1};
}

Question ImportSourceQuestion(const std::vector<FoundBrowser>& browsers) {
  Question question{"Import which bookmarks into the Favorites?", {}, -1};
  for (const FoundBrowser& found : browsers) {
    question.answers.push_back("From " + found.name);
  }
  question.answers.push_back("From a Bookmark File…");
  question.answers.push_back("Cancel");
  question.escape = static_cast<int>(question.answers.size()) - 1;
  return question;
}

}  // namespace kestrin::desktop
