#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/cutting_proxy.h"
#include "tests/sync/computer.h"

namespace kestrin::test {

// Two computers that share a remote directory through a proxy that can cut the network.
// Before a cut, A has uploaded the shared list and B, with an empty Favorites folder, has
// not run yet: its run downloads the list, applies it, and uploads a new one.
class CutFixture : public testing::TestWithParam<FtpServerKind> {
 protected:
  void SetUp() override;
  void TearDown() override;  // prints the cuts injected and survived

  // A fresh remote directory with A and B as above; `previous` keeps A's shared list.
  void PrepareScene();
  std::string RemotePath(const std::string& name) const {
    return server->root() + dir + "/" + name;
  }
  std::string SharedList() const { return ReadFileBytes(RemotePath("favs.dat")); }
  bool OnServer(const std::string& name) const;
  std::string Transcript() const;
  // The previous shared list, or the one B would write now: nothing partial or stale.
  bool IsAWholeList(const std::string& shared) const;

  // After a cut, with the network healthy again: both computers run without error, end
  // with the same Favorites, lose nothing A had, and leave no indicator file behind.
  void ExpectRecoveryAndConvergence();
  // A then runs too; both hold everything A had and no lock stays behind.
  void ExpectConvergence();

  // Counts one injected cut; it survived when the checks since `failuresBefore` passed.
  void Count(bool fired, int failuresBefore);
  static int FailureCount();

  std::unique_ptr<FtpServer> server;
  std::unique_ptr<CuttingProxy> proxy;
  std::unique_ptr<Computer> a;
  std::unique_ptr<Computer> b;
  std::string dir;
  std::string previous;                           // the shared list before B's run
  std::map<std::string, std::string> everything;  // A's Favorites before the cut

 private:
  std::unique_ptr<Computer> NewComputer(const std::string& name);
  int scenes_ = 0;
  int injected_ = 0;
  int survived_ = 0;
};

}  // namespace kestrin::test
