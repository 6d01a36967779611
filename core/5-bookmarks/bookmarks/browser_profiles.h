#pragma once

#include <string>
#include <vector>

#include "bookmarks/bookmark_tree.h"
#include "platform/result.h"

namespace kestrin {

enum class Browser { Firefox, Chromium, Chrome };

// A browser whose bookmarks can be read, as it is offered to the user.
struct FoundBrowser {
  Browser browser;
  std::string name;     // "Firefox", "Chromium", "Google Chrome"
  std::string profile;  // the profile folder, ending in "/"
};

// The browser a command-line word names ("firefox", "chromium", "chrome"), if any.
bool BrowserNamed(const std::string& word, Browser& browser);

// The default profile the browser itself would open for the user with that home folder:
// Firefox's from "profiles.ini" (the first install's Default, else the profile marked
// Default=1, else the only one); Chromium's and Chrome's "Default" folder. Looked for in
// each folder the browser or its snap or flatpak package keeps profiles in: the first that
// holds bookmarks, else the first found. Empty when Firefox has no profile there.
std::string DefaultProfile(Browser browser, const std::string& homeFolder);

// The browsers with a default profile that holds bookmarks, in the order above.
std::vector<FoundBrowser> FindBrowsers(const std::string& homeFolder);

// The bookmarks of a profile folder, read without the browser's help and without
// changing anything of it. Fails, saying why, when they cannot be read.
Result<Bookmarks> ReadBrowserBookmarks(Browser browser, const std::string& profileFolder);

}  // namespace kestrin
