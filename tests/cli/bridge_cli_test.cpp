// kestrin-cli bridge as a browser runs it: length-prefixed JSON over pipes, the Favorites
// folder compared byte for byte, hostile messages, and the host manifests.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "bookmarks/bridge_session.h"
#include "bookmarks/json_value.h"
#include "favorites/shortcut_file.h"
#include "tests/support/cli_run.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

// One run of the host with its standard input and output on pipes.
class Host {
 public:
  explicit Host(const std::string& home) {
    int in[2], out[2];
    EXPECT_EQ(pipe(in), 0);
    EXPECT_EQ(pipe(out), 0);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      for (int fd : {in[0], in[1], out[0], out[1]}) {
        close(fd);
      }
      execl(KESTRIN_CLI, KESTRIN_CLI, "bridge", "--settings", (home + "k.ini").c_str(),
            "--favorites", (home + "fav").c_str(), "chrome-extension://x/", nullptr);
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~Host() {
    if (to_ >= 0) {
      close(to_);
    }
    close(from_);
    if (pid_ > 0) {
      Wait();
    }
  }

  void SendBytes(const std::string& bytes) {
    ASSERT_EQ(write(to_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void Send(const std::string& json) {
    const auto n = static_cast<std::uint32_t>(json.size());
    SendBytes(std::string{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8 & 0xFF),
                          static_cast<char>(n >> 16 & 0xFF), static_cast<char>(n >> 24)} +
              json);
  }
  // The next message of the given type (any type when empty); a null value when the host
  // ended or went quiet for long.
  JsonValue Next(const std::string& type) {
    for (;;) {
      pollfd ready{from_, POLLIN, 0};
      unsigned char prefix[4];
      if (poll(&ready, 1, 20000) <= 0 || read(from_, prefix, 4) != 4) {
        return {};
      }
      std::string body(prefix[0] | prefix[1] << 8 | prefix[2] << 16, '\0');
      for (std::size_t got = 0; got < body.size();) {
        const ssize_t n = read(from_, body.data() + got, body.size() - got);
        if (n <= 0) {
          return {};
        }
        got += static_cast<std::size_t>(n);
      }
      const Result<JsonValue> json = ParseJson(body);
      if (json && (type.empty() || json->StringMember("type") == type)) {
        return *json;
      }
    }
  }
  // Closes the browser's side and gives the host's exit status.
  int Wait() {
    if (to_ >= 0) {
      close(to_);
      to_ = -1;
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
};

std::string Node(const std::string& id, const std::string& parent, const std::string& title,
                 const std::string& extra = "") {
  return "{\"id\":\"" + id + "\",\"parent\":\"" + parent + "\",\"title\":\"" + title + "\"" +
         extra + "}";
}
std::string Link(const std::string& id, const std::string& parent, const std::string& title,
                 const std::string& url) {
  return Node(id, parent, title, ",\"url\":\"" + url + "\"");
}
std::string Tree(const std::vector<std::string>& nodes, int batch = 0) {
  std::string list = Node("0", "", "") + "," + Node("1", "0", "Bar", ",\"root\":\"toolbar\"") +
                     "," + Node("2", "0", "Other", ",\"root\":\"main\"");
  for (const std::string& node : nodes) {
    list += "," + node;
  }
  return "{\"type\":\"tree\",\"browser\":\"chromium\",\"profile\":\"p\",\"batch\":" +
         std::to_string(batch) + ",\"nodes\":[" + list + "]}";
}
std::string ShortcutBytes(const std::string& url) {
  return "[InternetShortcut]\r\nURL=" + url + "\r\nIconFile=\r\nIconIndex=\r\n";
}

class Bridge : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(fav_); }
  TempDir dir_;
  const std::string fav_ = dir_.path() + "fav/";
};

TEST_F(Bridge, CarriesTheBrowsersTreeIntoTheFavoritesFolderByteForByte) {
  const std::string longUrl = "http://long.example/" + std::string(kMaxUrlBytes, 'x');
  Host host(dir_.path());
  host.Send(Tree({Link("5", "1", "a/b", "http://ab.example/?q=\\\"1\\\""),
                  Node("6", "2", "../Work"), Link("7", "6", "CON", "https://con.example/"),
                  Link("8", "6", "Query", "place:sort=8"), Link("9", "6", "Long", longUrl)}));
  const JsonValue status = host.Next("status");
  EXPECT_EQ(host.Wait(), 0);
  EXPECT_EQ(kestrin::test::Tree(fav_),
            (std::map<std::string, std::string>{
                {"Links", "<folder>"},
                {"Links/a_b.url", ShortcutBytes("http://ab.example/?q=\"1\"")},
                {"_Work", "<folder>"},
                {"_Work/_CON.url", ShortcutBytes("https://con.example/")}}));
  ASSERT_NE(status.Member("refused"), nullptr);
  ASSERT_EQ(status.Member("refused")->items.size(), 1u);
  EXPECT_TRUE(status.Member("refused")->items[0].text.starts_with("Long (http://long"));
}

TEST_F(Bridge, MergesTheFirstConnectionAndCreatesNothingTwiceAfterARestart) {
  fs::create_directories(fav_ + "Links");
  WriteFileBytes(fav_ + "Links/Both.url", ShortcutBytes("http://both/"));
  WriteFileBytes(fav_ + "Links/Folder.url", ShortcutBytes("http://folder/"));
  const std::string tree =
      Tree({Link("5", "1", "Both", "http://both/"), Link("6", "1", "Browser", "http://browser/")});
  {
    Host host(dir_.path());
    host.Send(tree);
    const JsonValue apply = host.Next("apply");
    ASSERT_NE(apply.Member("ops"), nullptr);
    ASSERT_EQ(apply.Member("ops")->items.size(), 1u);
    const JsonValue& create = apply.Member("ops")->items[0];
    EXPECT_EQ(create.StringMember("op"), "create");
    EXPECT_EQ(create.StringMember("parent"), "1");
    EXPECT_EQ(create.StringMember("title"), "Folder");
    EXPECT_EQ(create.StringMember("url"), "http://folder/");
    host.Send(
        Tree({Link("5", "1", "Both", "http://both/"), Link("6", "1", "Browser", "http://browser/"),
              Link("7", "1", "Folder", "http://folder/")},
             1)
            .replace(0, 1, "{\"ids\":{\"" + create.StringMember("id") + "\":\"7\"},"));
    EXPECT_EQ(host.Wait(), 0);
  }
  const auto before = kestrin::test::Tree(fav_);
  EXPECT_EQ(before.size(), 4u);
  Host again(dir_.path());
  again.Send(
      Tree({Link("5", "1", "Both", "http://both/"), Link("6", "1", "Browser", "http://browser/"),
            Link("7", "1", "Folder", "http://folder/")}));
  // An operation would come before the status that ends the host's answer.
  EXPECT_EQ(again.Next("").StringMember("type"), "status");
  EXPECT_EQ(kestrin::test::Tree(fav_), before);
}

// A shortcut or folder moved or renamed in the folder moves in the browser, keeping its id.
TEST_F(Bridge, FollowsMovesInTheFolder) {
  Host host(dir_.path());
  host.Send(Tree({Link("5", "1", "T", "http://t/"), Node("6", "2", "Work"),
                  Link("7", "6", "In", "http://in/")}));
  host.Next("status");
  fs::rename(fav_ + "Links/T.url", fav_ + "Work/T2.url");
  fs::rename(fav_ + "Work", fav_ + "Job");
  // One look at the folder may fall between the two renames: then they come one by one.
  std::vector<std::string> ops;
  while (ops.size() < 2) {
    const JsonValue apply = host.Next("apply");
    ASSERT_NE(apply.Member("ops"), nullptr);
    for (const JsonValue& op : apply.Member("ops")->items) {
      ops.push_back(op.StringMember("op") + " " + op.StringMember("id") + " " +
                    op.StringMember("parent") + " " + op.StringMember("title"));
    }
  }
  std::ranges::sort(ops);
  EXPECT_EQ(ops, (std::vector<std::string>{"move 5 6 T2", "move 6 2 Job"}));
}

TEST_F(Bridge, AsksBeforeAMassDeletionAndSavesARestorePointFirst) {
  std::vector<std::string> links;
  for (int i = 0; i < 30; ++i) {
    links.push_back(Link("1" + std::to_string(i), "2", "L" + std::to_string(i), "http://l/"));
  }
  Host host(dir_.path());
  host.Send(Tree(links));
  host.Next("status");
  host.Send(Tree({}));
  const JsonValue asked = host.Next("status");
  ASSERT_NE(asked.Member("ask"), nullptr);
  EXPECT_EQ(asked.Member("ask")->Member("deleting")->text, "30");
  EXPECT_TRUE(fs::exists(fav_ + "L0.url"));
  host.Send("{\"type\":\"answer\",\"accept\":true}");
  host.Next("status");
  EXPECT_EQ(host.Wait(), 0);
  EXPECT_FALSE(fs::exists(fav_ + "L0.url"));
  const Outcome list = RunCli("restore --list --settings " + dir_.path() + "k.ini");
  EXPECT_NE(list.out.find("30"), std::string::npos) << list.out;
}

// `rm -r` of a folder seen half done by one look must not pass as two small deletions, each
// below the guard: the session itself, its looks at the folder made one by one.
TEST_F(Bridge, AFolderRemovedWhileTheBridgeLooksIsAskedAboutWhole) {
  std::vector<std::string> links{Node("6", "2", "Mass")};
  for (int i = 0; i < 30; ++i) {
    links.push_back(Link("1" + std::to_string(i), "6", "M" + std::to_string(i), "http://m/"));
  }
  BridgeSession session({fav_, dir_.path() + "bridge/", dir_.path() + "restore/"}, [] {
    return DateTime{2026, 12, 7};
  });
  session.Receive(Tree(links));
  ASSERT_TRUE(fs::exists(fav_ + "Mass/M29.url"));
  const auto look = [&session] {
    std::string seen;
    for (const std::string& message : session.Tick()) {
      const Result<JsonValue> json = ParseJson(message);
      if (json && json->StringMember("type") == "apply") {
        seen += "apply ";
      } else if (json && json->Member("ask") && json->Member("ask")->Member("deleting")) {
        seen += "ask " + json->Member("ask")->Member("deleting")->text + " ";
      }
    }
    return seen;
  };
  for (int i = 0; i < 15; ++i) {
    fs::remove(fav_ + "Mass/M" + std::to_string(i) + ".url");
  }
  std::string seen = look();
  fs::remove_all(fav_ + "Mass");
  for (int i = 0; i < 3; ++i) {
    seen += look();
  }
  EXPECT_EQ(seen, "ask 30 ");
}

struct HostileCase {
  std::string name;
  std::string bytes;  // sent as they are
  int exitCode;
  std::string statusError;  // the start of the error the host reports, if it goes on
};

class HostileMessages : public Bridge, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileMessages, ChangeNothingAndAreReported) {
  fs::create_directories(dir_.path() + "outside");
  fs::create_directory_symlink(dir_.path() + "outside", fav_ + "Links");
  Host host(dir_.path());
  host.SendBytes(GetParam().bytes);
  if (!GetParam().statusError.empty()) {
    EXPECT_TRUE(host.Next("status").StringMember("error").starts_with(GetParam().statusError));
  }
  EXPECT_EQ(host.Wait(), GetParam().exitCode);
  EXPECT_TRUE(fs::is_empty(dir_.path() + "outside"));
  EXPECT_TRUE(fs::is_symlink(fav_ + "Links"));
}

std::string Framed(const std::string& json) {
  const auto n = static_cast<std::uint32_t>(json.size());
  return std::string{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8 & 0xFF),
                     static_cast<char>(n >> 16 & 0xFF), static_cast<char>(n >> 24)} +
         json;
}

INSTANTIATE_TEST_SUITE_P(
    Bridge, HostileMessages,
    ::testing::Values(HostileCase{"OversizedLength", std::string("\xff\xff\xff\x7f", 4) + "{}", 1,
                                  ""},
                      HostileCase{"CutShort", Framed("{\"type\":\"tree\"}").substr(0, 8), 1, ""},
                      HostileCase{"NotJson", Framed("{\"type\":"), 0, "A message from the browser"},
                      HostileCase{"ToolbarThroughALink",
                                  Framed(Tree({Link("5", "1", "T", "http://t/"),
                                               Link("6", "1", "../../x", "http://x/")})),
                                  0, ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(Bridge, InstallWritesTheHostManifestAndUninstallRemovesIt) {
  const std::string env = "HOME=" + dir_.path();
  const std::string common = " --favorites " + fav_ + " --settings " + dir_.path() + "k.ini";
  ASSERT_EQ(RunCli("bridge --install firefox" + common, env).exitCode, 0);
  ASSERT_EQ(RunCli("bridge --install chromium --user-data-dir " + dir_.path() + "chr" + common, env)
                .exitCode,
            0);
  const std::string firefox =
      dir_.path() + ".mozilla/native-messaging-hosts/org.kestrin.bridge.json";
  const std::string chromium = dir_.path() + "chr/NativeMessagingHosts/org.kestrin.bridge.json";
  for (const auto& [manifest, allowed] :
       {std::pair{firefox, "bridge@kestrin"},
        {chromium, "chrome-extension://bceliofllpckjegojjlefljejffmkioi/"}}) {
    const Result<JsonValue> json = ParseJson(ReadFileBytes(manifest));
    ASSERT_TRUE(json) << manifest;
    EXPECT_EQ(json->StringMember("name"), "org.kestrin.bridge");
    EXPECT_EQ(json->StringMember("type"), "stdio");
    const JsonValue* list = json->Member("allowed_extensions") ? json->Member("allowed_extensions")
                                                               : json->Member("allowed_origins");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->items.at(0).text, allowed);
    const std::string launcher = ReadFileBytes(json->StringMember("path"));
    EXPECT_NE(launcher.find(" bridge --settings '" + dir_.path() + "k.ini' --favorites '" + fav_),
              std::string::npos)
        << launcher;
  }
  EXPECT_EQ(RunCli("bridge --uninstall firefox" + common, env).exitCode, 0);
  EXPECT_FALSE(fs::exists(firefox));
  EXPECT_TRUE(fs::exists(chromium));
  EXPECT_EQ(RunCli("bridge --install safari" + common, env).exitCode, 2);
}

}  // namespace
}  // namespace kestrin::test
