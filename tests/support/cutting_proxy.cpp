#include "tests/support/cutting_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string_view>

namespace kestrin::test {
namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int Listen() {
  const sockaddr_in address = Loopback(0);
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 16) != 0) {
    throw std::runtime_error("the cutting proxy cannot listen");
  }
  return fd;
}

int PortOf(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

int ConnectTo(int port) {
  const sockaddr_in address = Loopback(port);
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// A blocking send returns when all is sent, unless the peer has gone.
bool Send(int fd, std::string_view bytes) {
  return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == std::ssize(bytes);
}

// One line, LF included, read a byte at a time so that nothing after it is taken; empty when
// the peer has gone.
std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (c != '\n' && recv(fd, &c, 1, 0) == 1) {
    line += c;
  }
  return line;
}

// Ends one side of a relayed connection the way a failing network would.
void CutSocket(int& fd, Cut::Style style) {
  if (fd < 0) {
    return;
  }
  if (style == Cut::Reset) {
    const linger abortive{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  } else {
    // Unread bytes would turn the close into a reset; the peer must see a clean end.
    char discard[4096];
    while (recv(fd, discard, sizeof discard, MSG_DONTWAIT) > 0) {
    }
  }
  close(fd);
  fd = -1;
}

// Where the request a cut names ("PUT favs.dat.") starts in bytes from the client: its
// method, then a path whose last part starts with the name.
std::optional<size_t> RequestAt(std::string_view bytes, const std::string& command) {
  const size_t blank = command.find(' ');
  const std::string method = command.substr(0, blank) + " /";
  const std::string name = command.substr(blank + 1);
  for (size_t at = bytes.find(method); at != std::string_view::npos;
       at = bytes.find(method, at + 1)) {
    if (at != 0 && bytes[at - 1] != '\n') {
      continue;
    }
    std::string_view path = bytes.substr(at, bytes.find(' ', at + method.size()) - at);
    if (path.ends_with('/')) {  // a folder's
      path.remove_suffix(1);
    }
    if (path.substr(path.rfind('/') + 1).starts_with(name)) {
      return at;
    }
  }
  return std::nullopt;
}

}  // namespace

CuttingProxy::CuttingProxy(int serverPort, Wire wire) : serverPort_(serverPort), wire_(wire) {
  listener_ = Listen();
  port_ = PortOf(listener_);
  if (pipe2(wake_, O_CLOEXEC) != 0) {
    throw std::runtime_error("the cutting proxy cannot start");
  }
  thread_ = std::thread([this] { Serve(); });
}

CuttingProxy::~CuttingProxy() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  (void)!write(wake_[1], "", 1);
  thread_.join();
  CutAll(Cut::Close);
  for (int fd : {listener_, wake_[0], wake_[1]}) {
    close(fd);
  }
}

void CuttingProxy::Arm(const Cut& cut) {
  std::lock_guard lock(mutex_);
  cut_ = cut;
  armed_ = true;
  fired_ = false;
  down_ = false;
}

void CuttingProxy::Heal() {
  std::lock_guard lock(mutex_);
  armed_ = false;
  down_ = false;
}

size_t CuttingProxy::commandsRelayed() const {
  std::lock_guard lock(mutex_);
  return commandsRelayed_;
}

bool CuttingProxy::fired() const {
  std::lock_guard lock(mutex_);
  return fired_;
}

void CuttingProxy::RewriteReplies(ReplyRewriter rewriter) {
  std::lock_guard lock(mutex_);
  rewriteReply_ = std::move(rewriter);
}

// Handles one ready socket a round: what it does may close or reuse the others.
void CuttingProxy::Serve() {
  while (true) {
    pollfd fds[] = {{wake_[0], POLLIN, 0},   {listener_, POLLIN, 0},     {client_, POLLIN, 0},
                    {server_, POLLIN, 0},    {dataListener_, POLLIN, 0}, {dataClient_, POLLIN, 0},
                    {dataServer_, POLLIN, 0}};  // poll skips the closed ones (-1)
    poll(fds, std::size(fds), -1);
    std::lock_guard lock(mutex_);
    if (stopping_) {
      return;
    } else if (fds[1].revents != 0) {
      Accept();
    } else if (fds[2].revents != 0) {
      wire_ == Wire::Http ? RelayHttp(true) : RelayCommand();
    } else if (fds[3].revents != 0) {
      wire_ == Wire::Http ? RelayHttp(false) : RelayReply();
    } else if (fds[4].revents != 0) {
      AcceptData();
    } else if (fds[5].revents != 0) {
      RelayData(dataClient_, dataServer_);
    } else if (fds[6].revents != 0) {
      RelayData(dataServer_, dataClient_);
    }
  }
}

void CuttingProxy::Accept() {
  CutAll(Cut::Close);
  client_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  server_ = down_ ? -1 : ConnectTo(serverPort_);
  if (server_ < 0) {
    CutAll(Cut::Reset);
  }
  awaited_ = {{"", false}};  // the greeting comes unasked
  httpTargetPassed_ = false;
  cutAfter_.reset();
}

void CuttingProxy::AcceptData() {
  dataClient_ = accept4(dataListener_, nullptr, nullptr, SOCK_CLOEXEC);
  CutSocket(dataListener_, Cut::Close);  // one connection per passive reply
  dataServer_ = ConnectTo(dataPort_);
  if (dataServer_ < 0) {
    CutSocket(dataClient_, Cut::Reset);
  }
}

void CuttingProxy::RelayCommand() {
  const std::string line = ReadLine(client_);
  if (line.empty()) {
    return CutAll(Cut::Close);  // the client has gone, and so does its server connection
  }
  const bool targeted = armed_ && line.starts_with(cut_.command);
  armed_ = armed_ && !targeted;
  if (targeted && cut_.kind == Cut::BeforeCommand) {
    return Fire(false);
  }
  if (targeted && cut_.kind == Cut::InData) {
    cutAfter_ = cut_.bytes();
  }
  awaited_.emplace_back(line.substr(0, line.find_first_of(" \r\n")),
                        targeted && cut_.kind != Cut::InData);
  ++commandsRelayed_;
  if (!Send(server_, line)) {
    CutAll(Cut::Reset);
  }
}

void CuttingProxy::RelayReply() {
  std::string line = ReadLine(server_);
  if (line.empty()) {
    return CutAll(Cut::Close);
  }
  // A final reply is a code from 2xx to 5xx and a blank; the lines within a multi-line
  // reply carry a hyphen after the code or start with a blank.
  const bool final =
      line.size() > 4 && line[0] >= '2' && line[0] <= '5' && line[3] == ' ' && !awaited_.empty();
  bool targeted = false;
  if (final) {
    targeted = awaited_.front().second;
    if (rewriteReply_) {
      line = rewriteReply_(awaited_.front().first, line);
    }
    awaited_.pop_front();
  }
  if (final && line.starts_with("229")) {
    // Points the client at a listener of ours that leads to the port the server named.
    dataPort_ = std::atoi(line.c_str() + line.find("|||") + 3);
    CutData(Cut::Close);
    dataListener_ = Listen();
    cutAfter_.reset();
    forwarded_ = 0;
    line = "229 Entering Extended Passive Mode (|||" + std::to_string(PortOf(dataListener_)) +
           "|)\r\n";
  }
  if (targeted && cut_.kind == Cut::BeforeReply) {
    return Fire(false);
  }
  if (!Send(client_, line)) {
    return CutAll(Cut::Reset);
  }
  if (targeted) {
    Fire(false);
  }
}

// A data connection carries one direction only: `from` sends, `to` receives.
void CuttingProxy::RelayData(int& from, int& to) {
  char buffer[65536];
  const ssize_t n = recv(from, buffer, sizeof buffer, 0);
  if (n == 0) {  // an orderly end is passed on as such
    shutdown(to, SHUT_WR);
    return CutSocket(from, Cut::Close);
  }
  size_t passed = static_cast<size_t>(std::max<ssize_t>(n, 0));
  const bool cutHere = cutAfter_ && forwarded_ + passed > *cutAfter_;
  if (cutHere) {
    passed = *cutAfter_ - forwarded_;
  }
  if (n < 0 || !Send(to, std::string_view(buffer, passed))) {
    return CutData(Cut::Reset);  // and a reset as a reset
  }
  forwarded_ += passed;
  if (cutHere) {
    Fire(true);
  }
}

void CuttingProxy::RelayHttp(bool request) {
  int& from = request ? client_ : server_;
  int& to = request ? server_ : client_;
  char buffer[65536];
  const ssize_t n = recv(from, buffer, sizeof buffer, 0);
  if (n <= 0) {
    return CutAll(n == 0 ? Cut::Close : Cut::Reset);
  }
  std::string_view bytes(buffer, static_cast<size_t>(n));
  size_t passed = bytes.size();
  bool cutHere = false;
  if (const auto at = request && armed_ ? RequestAt(bytes, cut_.command) : std::nullopt) {
    armed_ = false;
    httpTargetPassed_ = true;
    if (cut_.kind == Cut::BeforeCommand) {
      passed = *at;
      cutHere = true;
    } else if (cut_.kind == Cut::InData) {
      cutAfter_ = cut_.bytes();
      forwarded_ = 0;
      countReply_ = cut_.command.starts_with("GET ");
      inHeader_ = true;
    }
  } else if (!request && httpTargetPassed_ && !cutAfter_) {
    cutHere = true;
    passed = cut_.kind == Cut::AfterReply ? passed : 0;
  }
  if (cutAfter_ && request != countReply_) {
    size_t body = 0;  // where the body starts in these bytes
    if (inHeader_) {
      const size_t end = bytes.find("\r\n\r\n");
      inHeader_ = end == std::string_view::npos;
      body = inHeader_ ? bytes.size() : end + 4;
    }
    if (forwarded_ + (bytes.size() - body) > *cutAfter_) {
      passed = body + (*cutAfter_ - forwarded_);
      cutHere = true;
    }
    forwarded_ += passed - body;
  }
  if (!Send(to, bytes.substr(0, passed))) {
    return CutAll(Cut::Reset);
  }
  if (cutHere) {
    httpTargetPassed_ = false;
    cutAfter_.reset();
    Fire(false);
  }
}

void CuttingProxy::Fire(bool dataOnly) {
  fired_ = true;
  down_ = cut_.networkStaysDown;
  CutData(cut_.style);
  if (!dataOnly || down_) {
    CutAll(cut_.style);
  }
}

void CuttingProxy::CutData(Cut::Style style) {
  for (int* fd : {&dataListener_, &dataClient_, &dataServer_}) {
    CutSocket(*fd, style);
  }
}

void CuttingProxy::CutAll(Cut::Style style) {
  CutData(style);
  CutSocket(client_, style);
  CutSocket(server_, style);
}

}  // namespace kestrin::test
