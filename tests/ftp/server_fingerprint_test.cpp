// The key fingerprint of a certificate as a server shows it, against OpenSSL's own tools.

#include "ftp/server_fingerprint.h"

#include <gtest/gtest.h>

#include "formats/radix64.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

using test::ReadFileBytes;
using test::RunCommand;
using test::TempDir;

// A self-signed certificate made by `openssl` with the key options given, and its key's
// fingerprint as OpenSSL tells it.
struct Made {
  std::string pem;
  std::string fingerprint;
};

Made MakeCertificate(const TempDir& dir, const std::string& keyOptions) {
  const std::string cert = dir.path() + "cert.pem";
  EXPECT_EQ(RunCommand("openssl req -x509 -nodes -subj /CN=127.0.0.1 -days 2 " + keyOptions +
                       " -keyout '" + dir.path() + "key.pem' -out '" + cert + "' 2>/dev/null")
                .exitCode,
            0);
  return {ReadFileBytes(cert),
          "SHA256:" + RunCommand("openssl x509 -in '" + cert +
                                 "' -pubkey -noout | openssl pkey -pubin -outform der | "
                                 "openssl dgst -sha256 -binary | base64 | tr -d '=\\n'")
                          .out};
}

TEST(ServerFingerprintTest, TheKeyOfEachKindOfCertificate) {
  const TempDir dir;
  for (const std::string keyOptions :
       {"-newkey rsa:2048", "-newkey ec -pkeyopt ec_paramgen_curve:P-256", "-newkey ed25519"}) {
    const Made made = MakeCertificate(dir, keyOptions);
    EXPECT_EQ(CertificateKeyFingerprint(made.pem), made.fingerprint) << keyOptions;
    // As libcurl shows it: the certificate among other lines.
    EXPECT_EQ(CertificateKeyFingerprint("Subject: x\n" + made.pem + "Issuer: y\n"),
              made.fingerprint);
  }
}

// The server chooses every byte of its certificate: no cut or bent one is read past its end,
// and none yields a fingerprint.
TEST(ServerFingerprintTest, NoFingerprintOfABrokenCertificate) {
  const TempDir dir;
  const std::string pem = MakeCertificate(dir, "-newkey ec -pkeyopt ec_paramgen_curve:P-256").pem;
  const std::string begin = "-----BEGIN CERTIFICATE-----\n", end = "\n-----END CERTIFICATE-----\n";
  std::string body = pem.substr(begin.size(), pem.find("-----END") - begin.size());
  std::erase(body, '\n');
  const std::string der = *Radix64Decode(body);
  const auto asPem = [&](const std::string& bytes) { return begin + Radix64Encode(bytes) + end; };
  ASSERT_TRUE(CertificateKeyFingerprint(asPem(der)));
  for (std::size_t length = 0; length < der.size(); ++length) {
    EXPECT_EQ(CertificateKeyFingerprint(asPem(der.substr(0, length))), std::nullopt) << length;
  }
  for (const std::string& bent :
       {std::string("\x30\x84\xff\xff\xff\xff", 6), std::string("\x30\x80", 2),
        std::string("\x31\x00", 2), std::string("\x30\x03\x30\x01\x02", 5)}) {
    EXPECT_EQ(CertificateKeyFingerprint(asPem(bent)), std::nullopt);
  }
  for (const std::string& text :
       {std::string(), pem.substr(0, pem.size() / 2), begin + "!" + end}) {
    EXPECT_EQ(CertificateKeyFingerprint(text), std::nullopt);
  }
}

}  // namespace
}  // namespace kestrin
