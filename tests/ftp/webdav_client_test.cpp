// The WebDAV client against Apache's mod_dav_fs: the conditional stores the lock and the
// publication will rest on, and the refusals a run reports in plain words.

#include <gtest/gtest.h>

#include <filesystem>

#include "ftp/conditional_store.h"
#include "ftp/ftp_client.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {
namespace {

class WebDavClientTest : public testing::Test {
 protected:
  void SetUp() override {
    server_ = FtpServer::Start(FtpServerKind::ApacheDav);
    if (server_ == nullptr) {
      GTEST_SKIP() << "Apache cannot run here";
    }
    const Result<> connected = client_->Connect(server_->LoginOptions());
    ASSERT_TRUE(connected) << connected.error();
    store_ = client_->conditionalStore();
    ASSERT_NE(store_, nullptr);
  }

  std::string Local(const std::string& bytes) {
    const std::string path = local_.path() + "local.dat";
    WriteFileBytes(path, bytes);
    return path;
  }
  std::string OnServer(const std::string& name) const {
    return ReadFileBytes(server_->root() + name);
  }
  // Another computer's write: the tag this client saw is stale.
  void ChangedElsewhere(const std::string& name) const { server_->WriteFile(name, "theirs"); }

  std::unique_ptr<FtpServer> server_;
  std::unique_ptr<FtpClient> client_ = MakeCurlFtpClient(nullptr);
  ConditionalStore* store_ = nullptr;
  TempDir local_;
};

TEST_F(WebDavClientTest, ALockIsCreatedOnlyWhereNoneIsAndReleasedOnlyWhileItIsThisOne) {
  const auto first = store_->CreateIfAbsent(Local("mine"), "favs.ind");
  ASSERT_TRUE(first) << first.error();
  EXPECT_EQ(*first, Creation::Created);
  const std::string tag = store_->StrongETag("favs.ind");
  EXPECT_TRUE(tag.starts_with('"')) << tag;

  const auto second = store_->CreateIfAbsent(Local("other computer"), "favs.ind");
  ASSERT_TRUE(second) << second.error();
  EXPECT_EQ(*second, Creation::AlreadyExists);
  EXPECT_EQ(OnServer("favs.ind"), "mine");

  ChangedElsewhere("favs.ind");
  const auto stale = store_->DeleteIfMatch("favs.ind", tag);
  ASSERT_TRUE(stale) << stale.error();
  EXPECT_EQ(*stale, Precondition::Changed);
  EXPECT_EQ(OnServer("favs.ind"), "theirs");

  ASSERT_TRUE(client_->Read("favs.ind"));
  const auto released = store_->DeleteIfMatch("favs.ind", store_->StrongETag("favs.ind"));
  ASSERT_TRUE(released) << released.error();
  EXPECT_EQ(*released, Precondition::Held);
  EXPECT_FALSE(std::filesystem::exists(server_->root() + "favs.ind"));
}

TEST_F(WebDavClientTest, AListIsReplacedOnlyWhileItIsTheOneDownloaded) {
  server_->WriteFile("favs.dat", "shared v1");
  ASSERT_TRUE(client_->Download("favs.dat", local_.path() + "temp.dat"));
  const std::string downloaded = store_->StrongETag("favs.dat");
  ASSERT_FALSE(downloaded.empty());

  // In place, with If-Match.
  const auto replaced = store_->ReplaceIfMatch(Local("shared v2"), "favs.dat", downloaded);
  ASSERT_TRUE(replaced) << replaced.error();
  EXPECT_EQ(*replaced, Precondition::Held);
  EXPECT_EQ(OnServer("favs.dat"), "shared v2");
  const auto again = store_->ReplaceIfMatch(Local("shared v3"), "favs.dat", downloaded);
  ASSERT_TRUE(again) << again.error();
  EXPECT_EQ(*again, Precondition::Changed);
  EXPECT_EQ(OnServer("favs.dat"), "shared v2");

  // Under a temporary name, then moved over the list while it is unchanged.
  const std::string current = store_->StrongETag("favs.dat");
  ASSERT_TRUE(client_->Upload(Local("shared v4"), "favs.dat.new"));
  ChangedElsewhere("favs.dat");
  const auto lost = store_->MoveIfTargetUnchanged("favs.dat.new", "favs.dat", current);
  ASSERT_TRUE(lost) << lost.error();
  EXPECT_EQ(*lost, Precondition::Changed);
  EXPECT_EQ(OnServer("favs.dat"), "theirs");

  ASSERT_TRUE(client_->Read("favs.dat"));
  const auto won =
      store_->MoveIfTargetUnchanged("favs.dat.new", "favs.dat", store_->StrongETag("favs.dat"));
  ASSERT_TRUE(won) << won.error();
  EXPECT_EQ(*won, Precondition::Held);
  EXPECT_EQ(OnServer("favs.dat"), "shared v4");
  EXPECT_FALSE(std::filesystem::exists(server_->root() + "favs.dat.new"));
}

TEST_F(WebDavClientTest, AFirstListIsMovedInOnlyWhileNoneIsThere) {
  ASSERT_TRUE(client_->Upload(Local("mine"), "favs.dat.new"));
  server_->WriteFile("favs.dat", "theirs, first");
  const auto lost = store_->MoveIfTargetUnchanged("favs.dat.new", "favs.dat", "");
  ASSERT_TRUE(lost) << lost.error();
  EXPECT_EQ(*lost, Precondition::Changed);
  EXPECT_EQ(OnServer("favs.dat"), "theirs, first");

  std::filesystem::remove(server_->root() + "favs.dat");
  const auto won = store_->MoveIfTargetUnchanged("favs.dat.new", "favs.dat", "");
  ASSERT_TRUE(won) << won.error();
  EXPECT_EQ(*won, Precondition::Held);
  EXPECT_EQ(OnServer("favs.dat"), "mine");
}

// Apache's default tag is weak for about a second after a write: as good as none.
TEST(WebDavWeakTags, AWeakTagIsNoTag) {
  const auto server = FtpServer::Start(FtpServerKind::ApacheDav, {.weakETags = true});
  if (server == nullptr) {
    GTEST_SKIP() << "Apache cannot run here";
  }
  const auto client = MakeCurlFtpClient(nullptr);
  ASSERT_TRUE(client->Connect(server->LoginOptions()));
  const TempDir local;
  WriteFileBytes(local.path() + "local.ind", "mine");
  ASSERT_TRUE(client->Upload(local.path() + "local.ind", "favs.ind"));
  EXPECT_EQ(client->conditionalStore()->StrongETag("favs.ind"), "");
}

TEST_F(WebDavClientTest, FilesAreFoundAndDownloadsBounded) {
  server_->MakeDirectory("Shared");
  ASSERT_TRUE(client_->SetCurrentDirectory("Shared"));
  server_->WriteFile("Shared/favs.dat", "0123456789");
  for (const auto& [name, presence] :
       {std::pair{"favs.dat", RemoteFile::Present}, std::pair{"favs.ind", RemoteFile::Absent}}) {
    const auto probed = client_->Probe(name);
    ASSERT_TRUE(probed) << probed.error();
    EXPECT_EQ(*probed, presence) << name;
  }
  server_->WriteFile("favs.dat", "0123456789");
  FtpConnectOptions options = server_->LoginOptions();
  options.maxDownloadBytes = 9;
  ASSERT_TRUE(client_->Connect(options));
  EXPECT_FALSE(client_->Download("favs.dat", local_.path() + "temp.dat"));
  EXPECT_FALSE(std::filesystem::exists(local_.path() + "temp.dat"));
}

TEST_F(WebDavClientTest, RefusalsAreSaidInPlainWords) {
  const auto entered = client_->SetCurrentDirectory("remote.php/dav/files/alice/Favorites");
  ASSERT_FALSE(entered);
  EXPECT_EQ(entered.error(), "the server has no folder \"remote.php/dav/files/alice/Favorites\"");

  server_->WriteFile("favs.dat", "a file");
  const auto notAFolder = client_->SetCurrentDirectory("favs.dat");
  EXPECT_FALSE(notAFolder);

  const auto renamed = client_->Rename("missing.dat", "favs.dat");
  ASSERT_FALSE(renamed);
  EXPECT_EQ(renamed.error().refused, RenameRefusal::Source);
  EXPECT_EQ(renamed.error().reason, "the server has no such file or folder");

  FtpConnectOptions wrong = server_->LoginOptions();
  wrong.password = "not it";
  const auto refused = client_->Connect(wrong);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error(), "the server refused the user name or password");
}

// A folder moved within the server is followed there; one moved to another server is not.
TEST_F(WebDavClientTest, RedirectsAreFollowedOnlyWithinTheServer) {
  server_->MakeDirectory("Shared");
  const Result<> moved = client_->SetCurrentDirectory("moved");
  ASSERT_TRUE(moved) << moved.error();
  ASSERT_TRUE(client_->Upload(Local("list"), "favs.dat"));
  EXPECT_EQ(OnServer("Shared/favs.dat"), "list");

  const Result<> elsewhere = client_->SetCurrentDirectory("/elsewhere");
  ASSERT_FALSE(elsewhere);
  EXPECT_NE(elsewhere.error().find("which is not followed"), std::string::npos)
      << elsewhere.error();
}

// Where the server asks for Digest, the login goes by Digest, and a body sent
// again after the challenge arrives whole.
TEST(WebDavDigest, ADigestServerTakesTheLoginAndWholeFiles) {
  const auto server = FtpServer::Start(FtpServerKind::ApacheDav, {.digestAuthentication = true});
  if (server == nullptr) {
    GTEST_SKIP() << "Apache cannot run here";
  }
  const auto client = MakeCurlFtpClient(nullptr);
  const Result<> connected = client->Connect(server->LoginOptions());
  ASSERT_TRUE(connected) << connected.error();
  const TempDir local;
  const std::string bytes(100000, 'x');
  WriteFileBytes(local.path() + "local.dat", bytes);
  const Result<> uploaded = client->Upload(local.path() + "local.dat", "favs.dat");
  ASSERT_TRUE(uploaded) << uploaded.error();
  EXPECT_TRUE(ReadFileBytes(server->root() + "favs.dat") == bytes);
  const auto created =
      client->conditionalStore()->CreateIfAbsent(local.path() + "local.dat", "favs.ind");
  ASSERT_TRUE(created) << created.error();
  EXPECT_EQ(*created, Creation::Created);
  EXPECT_EQ(server->loginCount(), 1);
}

TEST(FtpConditionalStore, FtpHasNone) {
  const auto server = FtpServer::Start(FtpServerKind::Pyftpdlib);
  if (server == nullptr) {
    GTEST_SKIP() << "pyftpdlib cannot run here";
  }
  const auto client = MakeCurlFtpClient(nullptr);
  ASSERT_TRUE(client->Connect(server->LoginOptions()));
  EXPECT_EQ(client->conditionalStore(), nullptr);
}

}  // namespace
}  // namespace kestrin::test
