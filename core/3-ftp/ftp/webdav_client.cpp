#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "ftp/conditional_store.h"
#include "ftp/curl_client.h"
#include "ftp/curl_clients.h"
#include "platform/native_path.h"

namespace kestrin {
namespace {

// Redirects of the folder within the same server, e.g. to the name with its final slash.
constexpr int kMostRedirects = 5;
constexpr size_t kLongestHeader = 200;

// A body asking for the one property that tells a folder from a file.
constexpr char kFolderQuery[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<propfind xmlns=\"DAV:\"><prop><resourcetype/></prop></propfind>";

// What the headers of the last response said; a response that follows another (after
// "100 Continue" or an authentication challenge) replaces it.
struct HttpReply {
  std::string statusLine;  // "HTTP/1.1 404 Not Found"
  std::string etag;
  std::string location;
  std::string challenge;  // WWW-Authenticate
};

bool HasName(std::string_view line, std::string_view name) {
  return line.size() > name.size() && line[name.size()] == ':' &&
         std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

std::string ValueAfter(std::string_view line, std::string_view name) {
  line.remove_prefix(name.size() + 1);
  while (!line.empty() && line.front() == ' ') {
    line.remove_prefix(1);
  }
  return std::string(line.substr(0, kLongestHeader));
}

size_t KeepHttpReply(char* data, size_t size, size_t count, void* target) {
  auto& reply = *static_cast<HttpReply*>(target);
  const size_t bytes = size * count;
  std::string_view line(data, bytes);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  if (line.starts_with("HTTP/")) {
    reply = HttpReply{};
    reply.statusLine = line.substr(0, kLongestHeader);
  } else if (HasName(line, "ETag")) {
    reply.etag = ValueAfter(line, "ETag");
  } else if (HasName(line, "Location")) {
    reply.location = ValueAfter(line, "Location");
  } else if (HasName(line, "WWW-Authenticate")) {
    reply.challenge += ValueAfter(line, "WWW-Authenticate") + "\n";
  }
  return bytes;
}

// A weak tag may stay the same across a change of the bytes; none is as good as one.
std::string StrongOnly(const std::string& etag) {
  return etag.starts_with("\"") ? etag : "";
}

struct HeaderListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListFree>;

HeaderList Headers(const std::vector<std::string>& lines) {
  HeaderList list;
  for (const std::string& line : lines) {
    if (curl_slist* extended = curl_slist_append(list.get(), line.c_str())) {
      list.release();
      list.reset(extended);
    }
  }
  return list;
}

struct UrlFree {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK) {
    return "";
  }
  std::string value = text;
  curl_free(text);
  return value;
}

// WebDAV over HTTPS or plain HTTP through libcurl. The current directory is a folder URL
// path ending in "/"; the user name and password go with every request but the first of a
// connection, which shows the server's certificate and which schemes it asks for.
class WebDavClient final : public CurlClient, public ConditionalStore {
 public:
  using CurlClient::CurlClient;

  Result<> Connect(const FtpConnectOptions& options) override {
    folder_ = "/";
    etags_.clear();
    const bool tls = options.protocol == Protocol::WebDavHttps;
    if (Result<> started = Start(options, tls ? "https" : "http"); !started) {
      return started;
    }
    // The server shows its certificate before anything of the login is sent.
    anonymous_ = true;
    const auto ask = [this] { Method("OPTIONS", {}); };
    if (Run(serverUrl_ + "/", ask) != CURLE_OK && HttpStatus() == 0) {
      const Result<> failed = Failed();
      LearnCertificateAfter(serverUrl_ + "/", ask);
      Close();
      return failed;
    }
    anonymous_ = false;
    // Digest keeps the password off the wire where the server offers it.
    authentication_ =
        reply_.challenge.find("Digest") != std::string::npos ? CURLAUTH_DIGEST : CURLAUTH_BASIC;
    // The root may be no WebDAV folder, or another program's: only a refused login or no
    // answer ends the connection here; the folder is looked at when it is set.
    if (Run(serverUrl_ + "/", ask) != CURLE_OK && (HttpStatus() == 0 || HttpStatus() == 401)) {
      const Result<> failed = Failed();
      Close();
      return failed;
    }
    return Result<>::Ok();
  }

  Result<> SetCurrentDirectory(const std::string& directory) override {
    if (!IsSafeName(directory)) {
      return Result<>::Fail("unusable directory name");
    }
    std::string path = FolderPath(directory.front() == '/' ? directory : folder_ + directory);
    for (int redirects = 0;; ++redirects) {
      const auto listed = Fetch(serverUrl_ + path, [this] {
        curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, "PROPFIND");
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, kFolderQuery);
        headers_ = Headers({"Depth: 0", "Content-Type: application/xml; charset=utf-8"});
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_.get());
      });
      const long status = HttpStatus();
      if (listed && status == 207) {
        if (listed->find("collection") == std::string::npos) {
          return Result<>::Fail("\"" + directory + "\" on the server is a file, not a folder");
        }
        break;
      }
      const auto redirected = SameServerPath(reply_.location);
      if (status >= 300 && status < 400 && redirected && redirects < kMostRedirects) {
        path = *redirected;
        continue;
      }
      if (status == 404 || status == 410) {
        return Result<>::Fail("the server has no folder \"" + directory + "\"");
      }
      if (listed) {
        return Result<>::Fail("the server does not share \"" + directory +
                              "\" by WebDAV: it answered " + reply_.statusLine);
      }
      return Result<>::Fail("cannot enter folder \"" + directory + "\": " + listed.error());
    }
    folder_ = path;
    etags_.clear();
    return Result<>::Ok();
  }

  Result<RemoteFile> Probe(const std::string& name) override {
    using Presence = Result<RemoteFile>;
    if (!IsSafeName(name)) {
      return Presence::Fail("unusable file name");
    }
    if (Run(FileUrl(name), [this] { NoTransfer(); }) == CURLE_OK) {
      return Presence::Ok(RemoteFile::Present);
    }
    if (HttpStatus() == 404 || HttpStatus() == 410) {
      return Presence::Ok(RemoteFile::Absent);
    }
    return Presence::Fail(failure_);
  }

  Result<> Download(const std::string& remoteName, const std::string& localPath) override {
    return Remembered(remoteName, CurlClient::Download(remoteName, localPath));
  }

  Result<std::string> Read(const std::string& remoteName) override {
    auto bytes = CurlClient::Read(remoteName);
    if (bytes) {
      static_cast<void>(Remembered(remoteName, Result<>::Ok()));
    }
    return bytes;
  }

  Result<bool> Holds(const std::string& remoteName, std::string_view expected) override {
    auto held = CurlClient::Holds(remoteName, expected);
    if (held) {
      static_cast<void>(Remembered(remoteName, Result<>::Ok()));
    }
    return held;
  }

  Result<> Upload(const std::string& localPath, const std::string& remoteName) override {
    return Remembered(remoteName, CurlClient::Upload(localPath, remoteName));
  }

  Result<void, RenameFailure> Rename(const std::string& from, const std::string& to) override {
    using Renamed = Result<void, RenameFailure>;
    if (!IsSafeName(from) || !IsSafeName(to)) {
      return Renamed::Fail({RenameRefusal::None, "unusable file name"});
    }
    if (Move(from, to, {"Overwrite: T"})) {
      return Renamed::Ok();
    }
    switch (HttpStatus()) {
      case 409:  // the target's folder is gone
      case 412:  // the target exists and may not be overwritten
      case 502:  // the target is on another server
        return Renamed::Fail({RenameRefusal::Target, failure_});
      case 403:
      case 404:
      case 405:
      case 501:
        return Renamed::Fail({RenameRefusal::Source, failure_});
      default:
        // No answer, or a transient refusal: the same may work next time.
        return Renamed::Fail({RenameRefusal::None, failure_});
    }
  }

  Result<> Delete(const std::string& name) override {
    if (!IsSafeName(name)) {
      return Result<>::Fail("unusable file name");
    }
    etags_.erase(name);
    return Perform(FileUrl(name), [this] { Method("DELETE", {}); });
  }

  ConditionalStore* conditionalStore() override { return easy_ != nullptr ? this : nullptr; }

  std::string StrongETag(const std::string& remoteName) const override {
    const auto known = etags_.find(remoteName);
    return known != etags_.end() ? known->second : "";
  }

  Result<Creation> CreateIfAbsent(const std::string& localPath,
                                  const std::string& remoteName) override {
    const auto stored = StoreIf(localPath, remoteName, "If-None-Match: *");
    if (!stored) {
      return Result<Creation>::Fail(stored.error());
    }
    return Result<Creation>::Ok(*stored == Precondition::Held ? Creation::Created
                                                              : Creation::AlreadyExists);
  }

  Result<Precondition> ReplaceIfMatch(const std::string& localPath, const std::string& remoteName,
                                      const std::string& etag) override {
    return StoreIf(localPath, remoteName, "If-Match: " + etag);
  }

  Result<Precondition> DeleteIfMatch(const std::string& remoteName,
                                     const std::string& etag) override {
    if (!IsSafeName(remoteName) || !IsSafeName(etag)) {
      return Result<Precondition>::Fail("unusable file name or tag");
    }
    return Conditional(
        Perform(FileUrl(remoteName), [this, &etag] { Method("DELETE", {"If-Match: " + etag}); }),
        [&] { etags_.erase(remoteName); });
  }

  Result<Precondition> MoveIfTargetUnchanged(const std::string& from, const std::string& to,
                                             const std::string& targetETag) override {
    if (!IsSafeName(from) || !IsSafeName(to) || (!targetETag.empty() && !IsSafeName(targetETag))) {
      return Result<Precondition>::Fail("unusable file name or tag");
    }
    const Result<> moved =
        targetETag.empty()
            ? Move(from, to, {"Overwrite: F"})
            : Move(from, to, {"Overwrite: T", "If: <" + FileUrl(to) + "> ([" + targetETag + "])"});
    return Conditional(moved, [] {});
  }

 private:
  void ApplyProtocolOptions() override {
    reply_ = {};
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
    if (!anonymous_) {
      curl_easy_setopt(easy_, CURLOPT_USERNAME, options_.username.c_str());
      curl_easy_setopt(easy_, CURLOPT_PASSWORD, options_.password.c_str());
      curl_easy_setopt(easy_, CURLOPT_HTTPAUTH, authentication_);
    }
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, KeepHttpReply);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, &reply_);
  }

  std::string LastReply() const override {
    return reply_.location.empty() ? reply_.statusLine
                                   : reply_.statusLine + " (to " + reply_.location + ")";
  }

  long HttpStatus() const override {
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    return status;
  }

  CURLcode Judged(CURLcode result) const override {
    return result == CURLE_OK && HttpStatus() >= 300 ? CURLE_HTTP_RETURNED_ERROR : result;
  }

  std::string FileUrl(const std::string& name) const override {
    return serverUrl_ + folder_ + Escape(name);
  }

  // A folder's URL path, escaped, from "/" to its final "/". The names are the server's bytes,
  // split at "/" alone on every system.
  std::string FolderPath(const std::string& folder) const {
    std::string path = "/";
    for (std::size_t start = 0; start < folder.size();) {
      const std::size_t end = std::min(folder.find('/', start), folder.size());
      if (end > start) {
        path += Escape(folder.substr(start, end - start)) + "/";
      }
      start = end + 1;
    }
    return path;
  }

  // The path a redirect leads to when it stays on this server, scheme and port; nullopt
  // when it leaves them, or there is none.
  std::optional<std::string> SameServerPath(const std::string& location) const {
    const std::unique_ptr<CURLU, UrlFree> url(curl_url());
    if (location.empty() || url == nullptr ||
        curl_url_set(url.get(), CURLUPART_URL, (serverUrl_ + folder_).c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_URL, location.c_str(), 0) != CURLUE_OK) {
      return std::nullopt;
    }
    const std::unique_ptr<CURLU, UrlFree> server(curl_url());
    curl_url_set(server.get(), CURLUPART_URL, serverUrl_.c_str(), 0);
    for (const CURLUPart part : {CURLUPART_SCHEME, CURLUPART_HOST, CURLUPART_PORT}) {
      if (UrlPart(url.get(), part, CURLU_DEFAULT_PORT) !=
          UrlPart(server.get(), part, CURLU_DEFAULT_PORT)) {
        return std::nullopt;
      }
    }
    std::string path = UrlPart(url.get(), CURLUPART_PATH);
    return path.ends_with('/') ? path : path + "/";
  }

  // A request of that method with its own header lines, sending no body. Any body of the
  // answer is read and dropped, so that the connection stays usable.
  void Method(const char* method, const std::vector<std::string>& headers) {
    curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, method);
    headers_ = Headers(headers);
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_.get());
  }

  Result<> Move(const std::string& from, const std::string& to,
                std::vector<std::string> conditions) {
    conditions.push_back("Destination: " + FileUrl(to));
    const Result<> moved =
        Perform(FileUrl(from), [this, &conditions] { Method("MOVE", conditions); });
    if (moved) {
      const auto tag = etags_.find(from);
      etags_[to] = tag != etags_.end() ? tag->second : "";
      etags_.erase(from);
    }
    return moved;
  }

  // PUT with a condition; the stored size is checked as Upload checks it.
  Result<Precondition> StoreIf(const std::string& localPath, const std::string& remoteName,
                               const std::string& condition) {
    if (!IsSafeName(remoteName) || !IsSafeName(condition)) {
      return Result<Precondition>::Fail("unusable file name or tag");
    }
    const Result<> sent = SendFile(localPath, FileUrl(remoteName), [this, &condition] {
      headers_ = Headers({condition});
      curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_.get());
    });
    if (!sent) {
      return Conditional(sent, [] {});
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(NativePath(localPath), error);
    return Conditional(
        Remembered(remoteName, CheckStoredSize(remoteName, static_cast<std::int64_t>(size))),
        [] {});
  }

  // A conditional request's outcome: done, refused for its condition, or failed.
  Result<Precondition> Conditional(const Result<>& done, const std::function<void()>& onHeld) {
    if (done) {
      onHeld();
      return Result<Precondition>::Ok(Precondition::Held);
    }
    if (HttpStatus() == 412) {
      return Result<Precondition>::Ok(Precondition::Changed);
    }
    return Result<Precondition>::Fail(done.error());
  }

  // Keeps the strong tag the last response gave the file, once the request succeeded.
  Result<> Remembered(const std::string& name, Result<> done) {
    if (done) {
      etags_[name] = StrongOnly(reply_.etag);
    }
    return done;
  }

  bool anonymous_ = false;  // the request goes without the user name and password
  long authentication_ = CURLAUTH_BASIC;
  std::string folder_ = "/";
  HttpReply reply_;
  HeaderList headers_;                        // of the request under way
  std::map<std::string, std::string> etags_;  // the strong tags seen, by name
};

}  // namespace

std::unique_ptr<FtpClient> MakeCurlWebDavClient(std::function<void()> yield) {
  return std::make_unique<WebDavClient>(std::move(yield));
}

}  // namespace kestrin
