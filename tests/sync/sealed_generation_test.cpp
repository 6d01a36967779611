// Whoever can write the server folder, without the passphrase, can put an older sealed list
// back, delete it or bring one from another folder: every computer refuses what it finds then,
// applies and uploads nothing, until a user starts over on purpose with --keep-local.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "formats/sealed_file.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

constexpr char kPassphrase[] = "old format";

// A list sealed by the version before generations, with kPassphrase: Old.url alone.
std::string VersionOneList() {
  const std::string hex =
      "4b5345414c01020200000000000004000000007b50cbb23abd4c49fc043f4f06db614443c87a51904425fb4a"
      "455ee71b06b60a59e1a252542d7ee61bf50a6344d21ab7df4be4837b50ae29a7425b1593d9e24ed9b4736bf6"
      "558fb96c056f6708166dbed6e47c6b11a510ed1d77d76542e2b4d741c2f458dc67556df9adc2d67186c5e9e8"
      "2f4425514bc74f1b5d4af56d7c74c4";
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

class SealedGenerationTest : public TwoComputersTest {
 public:
  // What someone who can write the server folder does.
  void Serve(const std::string& bytes) const { server->WriteFile("Shared/favs.dat.sealed", bytes); }
  void Delete() const { std::filesystem::remove(ListPath()); }

 protected:
  void SetUp() override {
    TwoComputersTest::SetUp();
    if (IsSkipped()) {
      return;
    }
    server->MakeDirectory("Shared");
    for (Computer* computer : {a.get(), b.get()}) {
      computer->settings.UseEncryption = 1;
      computer->settings.Passphrase = kPassphrase;
      computer->settings.RemoteDir = "Shared";
    }
    b->settings.RemoteDir = "/Shared/";  // the same folder, written another way
  }

  std::string ListPath() const { return server->root() + "Shared/favs.dat.sealed"; }
  std::string SharedList() const { return ReadFileBytes(ListPath()); }
  SealLabel LabelOnServer() const {
    const auto opened = OpenSealedBytes(SharedList(), kPassphrase);
    return opened ? opened->label : SealLabel{~0ull, "does not open"};
  }
  // The "Error: " line of a run that found the shared list refused.
  static std::string Refused(const std::string& why) {
    return "Error: Unable to Read Remote Data File: favs.dat.sealed: " + why;
  }
};

struct Attack {
  std::string name;
  // Done to the server folder once A has taken generation 4 and B has seen 3.
  std::function<void(const SealedGenerationTest&, const std::string& firstList)> attack;
  std::string refusal;  // of A's next run
};

void PrintTo(const Attack& attack, std::ostream* out) {
  *out << attack.name;
}

class SealedAttackTest : public SealedGenerationTest,
                         public ::testing::WithParamInterface<Attack> {};

TEST_P(SealedAttackTest, IsRefusedUntilAComputerStartsOver) {
  a->AddShortcut("Old.url", "https://old.example/");
  ASSERT_TRUE(a->Sync()) << Reason(a->display.lines);
  const std::string firstList = SharedList();
  EXPECT_EQ(LabelOnServer(), (SealLabel{1, "Shared"}));
  ASSERT_TRUE(b->Sync()) << Reason(b->display.lines);
  b->AddShortcut("New.url", "https://new.example/");
  ASSERT_TRUE(b->Sync() && a->Sync());
  EXPECT_EQ(LabelOnServer(), (SealLabel{4, "Shared"}));
  EXPECT_EQ(a->Tree().count("New.url"), 1u);

  GetParam().attack(*this, firstList);
  const std::string attacked = SharedList();
  const auto before = a->Tree();
  EXPECT_FALSE(a->Sync());
  EXPECT_EQ(Ending(a->display.lines)[1], Refused(GetParam().refusal));
  EXPECT_NE(Reason(a->display.lines).find("kestrin-cli sync --keep-local"), std::string::npos);
  EXPECT_EQ(a->Tree(), before);
  EXPECT_EQ(SharedList(), attacked);
  EXPECT_EQ(std::filesystem::exists(ListPath()), !attacked.empty());
  // A dry run shows no changes from it either.
  ASSERT_TRUE(SaveSettings(a->program() + "kestrin.ini", a->settings));
  const Outcome dry = RunCli(*a, "sync --dry-run");
  EXPECT_EQ(dry.exitCode, 1) << dry.out << dry.err;
  EXPECT_NE(dry.err.find(Refused(GetParam().refusal)), std::string::npos) << dry.err;

  // Starting over takes what is there and publishes beyond every generation A has seen.
  a->env.keepLocal = true;
  ASSERT_TRUE(a->Sync()) << Reason(a->display.lines);
  EXPECT_GT(LabelOnServer().generation, 4u);
  EXPECT_EQ(LabelOnServer().folder, "Shared");
  ASSERT_TRUE(b->Sync()) << Reason(b->display.lines);
  EXPECT_EQ(b->Tree(), a->Tree());
  EXPECT_EQ(a->Tree().count("New.url"), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Attacks, SealedAttackTest,
    ::testing::Values(
        Attack{"PutBack",
               [](const SealedGenerationTest& test, const std::string& firstList) {
                 test.Serve(firstList);
               },
               "generation 1 is older than generation 4, which this computer has seen"},
        Attack{"Deleted",
               [](const SealedGenerationTest& test, const std::string&) { test.Delete(); },
               "missing, though this computer has seen generation 4 of it"},
        Attack{"FromAnotherFolder",
               [](const SealedGenerationTest& test, const std::string&) {
                 test.Serve(*SealBytes("C@1/1/2026\r\n", kPassphrase, {9, "Elsewhere"}));
               },
               "sealed for the shared folder \"Elsewhere\", not \"Shared\""},
        Attack{"OldFormatPutBack",
               [](const SealedGenerationTest& test, const std::string&) {
                 test.Serve(VersionOneList());
               },
               "generation 0 is older than generation 4, which this computer has seen"}),
    [](const auto& info) { return info.param.name; });

// A list sealed before generations opens once, as generation 0, and is sealed anew.
TEST_F(SealedGenerationTest, AListOfTheOldFormatOpensAndIsSealedAnew) {
  Serve(VersionOneList());
  ASSERT_TRUE(a->Sync()) << Reason(a->display.lines);
  EXPECT_EQ(a->Tree().at("Old.url"),
            "[InternetShortcut]\r\nURL=https://old.example/\r\nIconFile=\r\nIconIndex=\r\n");
  EXPECT_EQ(LabelOnServer(), (SealLabel{1, "Shared"}));
}

}  // namespace
}  // namespace kestrin::test
