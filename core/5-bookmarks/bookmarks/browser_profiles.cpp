#include "bookmarks/browser_profiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <iterator>

#include "bookmarks/chromium_bookmarks.h"
#include "bookmarks/firefox_places.h"
#include "formats/ini_file.h"
#include "platform/whole_file.h"

namespace kestrin {
namespace {

// Browsers' own files: far beyond any real collection, small enough to read whole.
constexpr std::size_t kMaxBookmarksFileBytes = std::size_t{256} << 20;

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') {
    folder += '/';
  }
  return folder;
}

std::string BookmarksFileOf(Browser browser, const std::string& profileFolder) {
  return WithSlash(profileFolder) + (browser == Browser::Firefox ? "places.sqlite" : "Bookmarks");
}

bool IsOrdinaryFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Where each browser keeps its profiles below the home folder: its own folders (Firefox
// from version 140 in ~/.config), then those of its snap and flatpak packages. For Firefox
// the folder of "profiles.ini", for the others the default profile itself.
constexpr const char* kFirefoxFolders[] = {".mozilla/firefox/", ".config/mozilla/firefox/",
                                           "snap/firefox/common/.mozilla/firefox/",
                                           ".var/app/org.mozilla.firefox/.mozilla/firefox/"};
constexpr const char* kChromiumProfiles[] = {
    ".config/chromium/Default/", "snap/chromium/common/chromium/Default/",
    ".var/app/org.chromium.Chromium/config/chromium/Default/"};
constexpr const char* kChromeProfiles[] = {
    ".config/google-chrome/Default/", ".var/app/com.google.Chrome/config/google-chrome/Default/"};

// The profile Firefox would open from the folder of "profiles.ini": the first install's
// Default, else the profile marked Default=1, else the only one. Empty when there is none.
std::string FirefoxDefaultProfile(const std::string& firefox) {
  const IniDocument profiles = IniDocument::Load(firefox + "profiles.ini");
  const auto inFolder = [&firefox](const std::string& path, bool relative) {
    return path.empty() ? path : WithSlash(relative ? firefox + path : path);
  };
  std::vector<std::string> profileSections;
  for (const std::string& section : profiles.SectionNames()) {
    if (section.starts_with("Install")) {
      const std::string path = profiles.ReadString(section, "Default");
      if (!path.empty()) {
        return inFolder(path, path.front() != '/');
      }
    } else if (section.starts_with("Profile")) {
      profileSections.push_back(section);
    }
  }
  for (const std::string& section : profileSections) {
    if (profiles.ReadInt(section, "Default") == 1 || profileSections.size() == 1) {
      return inFolder(profiles.ReadString(section, "Path"),
                      profiles.ReadInt(section, "IsRelative") == 1);
    }
  }
  return {};
}

}  // namespace

bool BrowserNamed(const std::string& word, Browser& browser) {
  for (const auto& [name, named] : {std::pair{"firefox", Browser::Firefox},
                                    {"chromium", Browser::Chromium},
                                    {"chrome", Browser::Chrome}}) {
    if (word == name) {
      browser = named;
      return true;
    }
  }
  return false;
}

std::string DefaultProfile(Browser browser, const std::string& homeFolder) {
  std::vector<std::string> profiles;
  const auto below = [&homeFolder](const char* folder) { return WithSlash(homeFolder) + folder; };
  switch (browser) {
    case Browser::Firefox:
      for (const char* folder : kFirefoxFolders) {
        if (std::string profile = FirefoxDefaultProfile(below(folder)); !profile.empty()) {
          profiles.push_back(std::move(profile));
        }
      }
      break;
    case Browser::Chromium:
      std::ranges::transform(kChromiumProfiles, std::back_inserter(profiles), below);
      break;
    case Browser::Chrome:
      std::ranges::transform(kChromeProfiles, std::back_inserter(profiles), below);
      break;
  }
  const auto withBookmarks = std::ranges::find_if(profiles, [browser](const std::string& profile) {
    return IsOrdinaryFile(BookmarksFileOf(browser, profile));
  });
  return withBookmarks != profiles.end() ? *withBookmarks
         : profiles.empty()              ? std::string()
                                         : profiles.front();
}

std::vector<FoundBrowser> FindBrowsers(const std::string& homeFolder) {
  std::vector<FoundBrowser> found;
  for (const auto& [browser, name] : {std::pair{Browser::Firefox, "Firefox"},
                                      {Browser::Chromium, "Chromium"},
                                      {Browser::Chrome, "Google Chrome"}}) {
    const std::string profile = DefaultProfile(browser, homeFolder);
    if (!profile.empty() && IsOrdinaryFile(BookmarksFileOf(browser, profile))) {
      found.push_back({browser, name, profile});
    }
  }
  return found;
}

Result<Bookmarks> ReadBrowserBookmarks(Browser browser, const std::string& profileFolder) {
  const std::string file = BookmarksFileOf(browser, profileFolder);
  if (browser == Browser::Firefox) {
    return ReadFirefoxPlaces(file);
  }
  const auto bytes = ReadOrdinaryFile(file, kMaxBookmarksFileBytes);
  if (!bytes) {
    return Result<Bookmarks>::Fail(bytes.error());
  }
  auto bookmarks = ParseChromiumBookmarks(*bytes);
  return bookmarks ? std::move(bookmarks)
                   : Result<Bookmarks>::Fail(file + ": " + bookmarks.error());
}

}  // namespace kestrin
