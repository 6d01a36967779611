#include "tests/faults/cut_fixture.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace kestrin::test {

void CutFixture::SetUp() {
  server = FtpServer::Start(GetParam());
  if (!server) {
    GTEST_SKIP() << FtpServerKindName(GetParam()) << " cannot run here";
  }
  proxy = std::make_unique<CuttingProxy>(server->port());
}

void CutFixture::TearDown() {
  if (injected_ > 0) {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::cout << "[faults] " << test->test_suite_name() << "." << test->name() << ": " << injected_
              << " cuts injected, " << survived_ << " survived" << std::endl;
  }
}

std::unique_ptr<Computer> CutFixture::NewComputer(const std::string& name) {
  auto computer = std::make_unique<Computer>(name, *server);
  computer->settings.Port = std::to_string(proxy->port());
  computer->settings.RemoteDir = dir;
  // A cut can leave a server waiting for a data connection that never comes; the client
  // then waits for its reply until it gives up.
  computer->env.ftpOptions.replyTimeout = std::chrono::seconds(5);
  computer->env.ftpOptions.stallTimeout = std::chrono::seconds(5);
  return computer;
}

void CutFixture::PrepareScene() {
  proxy->Heal();
  dir = "shared" + std::to_string(++scenes_);
  server->MakeDirectory(dir);
  a = NewComputer("A");
  b = NewComputer("B");
  a->AddShortcut("One.url", "https://one.example/");
  a->AddShortcut("Folder/Two.url", "https://two.example/");
  ASSERT_TRUE(a->Sync());
  previous = SharedList();
  everything = a->Tree();
  ASSERT_EQ(previous.rfind("A@", 0), 0u);
}

bool CutFixture::OnServer(const std::string& name) const {
  return std::filesystem::exists(RemotePath(name));
}

std::string CutFixture::Transcript() const {
  std::string text;
  for (const std::string& command : proxy->transcript()) {
    text += command + "\n";
  }
  return text;
}

bool CutFixture::IsAWholeList(const std::string& shared) const {
  if (shared == previous) {
    return true;
  }
  const size_t headerEnd = shared.find("\r\n");
  return shared.rfind("B@", 0) == 0 && headerEnd != std::string::npos &&
         shared.substr(headerEnd + 2) == b->Records();
}

void CutFixture::ExpectRecoveryAndConvergence() {
  proxy->Heal();
  // A lock the cut left behind names B: B's own next run takes it at once. Another
  // computer's lock is left to its owner and waited for.
  const std::string lock = OnServer("favs.ind") ? ReadFileBytes(RemotePath("favs.ind")) : "";
  EXPECT_TRUE(b->Sync()) << b->display.lines.back();
  const auto& lines = b->display.lines;
  const bool waited =
      std::find(lines.begin(), lines.end(), "-> Waiting for 'C' to finish..") != lines.end();
  EXPECT_TRUE(lock.empty() || lock == "B\r\n" || (lock == "C\r\n" && waited)) << lock;
  ExpectConvergence();
}

void CutFixture::ExpectConvergence() {
  EXPECT_TRUE(a->Sync()) << a->display.lines.back();
  EXPECT_EQ(b->Tree(), a->Tree());
  EXPECT_EQ(a->Tree(), everything);
  EXPECT_FALSE(OnServer("favs.ind"));
}

int CutFixture::FailureCount() {
  const auto* result = testing::UnitTest::GetInstance()->current_test_info()->result();
  int failures = 0;
  for (int i = 0; i < result->total_part_count(); ++i) {
    failures += result->GetTestPartResult(i).failed() ? 1 : 0;
  }
  return failures;
}

void CutFixture::Count(bool fired, int failuresBefore) {
  if (fired) {
    ++injected_;
    survived_ += FailureCount() == failuresBefore ? 1 : 0;
  }
}

}  // namespace kestrin::test
