#include "tests/support/cutting_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <stdexcept>

namespace kestrin::test {
namespace {

const char* const kDataVerbs[] = {"RETR", "STOR", "APPE", "STOU", "LIST", "NLST", "MLSD"};

bool IsDataVerb(const std::string& verb) {
  return std::find(std::begin(kDataVerbs), std::end(kDataVerbs), verb) != std::end(kDataVerbs);
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int Listen() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 16) != 0) {
    if (fd >= 0) {
      close(fd);
    }
    return -1;
  }
  return fd;
}

int PortOf(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

int ConnectTo(const std::string& host, int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(port);
  inet_pton(AF_INET, host.c_str(), &address.sin_addr);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) {
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Ends one side of a relayed connection the way a failing network would.
// Appends what the socket has to `pending`; false when the peer has gone.
bool ReceiveInto(int fd, std::string& pending) {
  char buffer[4096];
  const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
  if (n <= 0) {
    return false;
  }
  pending.append(buffer, static_cast<size_t>(n));
  return true;
}

// Takes the first whole line, LF included, off `pending`.
std::optional<std::string> TakeLine(std::string& pending) {
  const size_t end = pending.find('\n');
  if (end == std::string::npos) {
    return std::nullopt;
  }
  std::string line = pending.substr(0, end + 1);
  pending.erase(0, end + 1);
  return line;
}

void CutSocket(int& fd, CutStyle style) {
  if (fd < 0) {
    return;
  }
  if (style == CutStyle::Reset) {
    linger abortive{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  } else {
    // Unread bytes would turn the close into a reset; the peer must see a clean end.
    char discard[4096];
    while (recv(fd, discard, sizeof discard, MSG_DONTWAIT) > 0) {
    }
    shutdown(fd, SHUT_WR);
  }
  close(fd);
  fd = -1;
}

void CloseSocket(int& fd) {
  if (fd >= 0) {
    close(fd);
    fd = -1;
  }
}

}  // namespace

std::string CutPoint::Describe() const {
  static const char* const kKinds[] = {"before command", "before reply to", "after reply to",
                                       "in data of"};
  std::string text = std::string(kKinds[static_cast<int>(kind)]) + " " + verb;
  if (!argumentPrefix.empty()) {
    text += " " + argumentPrefix;
  }
  return text + " #" + std::to_string(occurrence);
}

struct CuttingProxy::Session {
  struct DataLink {
    int listener = -1;  // the address the rewritten passive reply gave the client
    std::string targetHost;
    int targetPort = 0;
    int client = -1;
    int server = -1;
    bool labelled = false;           // its transfer command has been seen
    std::optional<size_t> cutAfter;  // bytes to pass before the armed cut, if it applies
    size_t forwarded = 0;
    bool open() const { return listener >= 0 || client >= 0 || server >= 0; }
  };
  struct AwaitedReply {
    std::string verb;
    bool targeted = false;
  };

  int client = -1;
  int server = -1;
  std::string commands;  // bytes from the client not yet a whole line
  std::string replies;   // bytes from the server not yet a whole line
  std::string multilineCode;
  std::deque<AwaitedReply> awaited{AwaitedReply{}};  // the greeting comes unasked
  // Transfer commands seen before their connection, with their cut position if any.
  std::deque<std::optional<size_t>> unclaimedTransfers;
  std::vector<DataLink> data;

  bool open() const { return client >= 0; }

  void Label(std::optional<size_t> cutAfter) {
    for (auto& link : data) {
      if (link.open() && !link.labelled) {
        link.labelled = true;
        link.cutAfter = cutAfter;
        return;
      }
    }
    unclaimedTransfers.push_back(cutAfter);
  }
};

CuttingProxy::CuttingProxy(int serverPort) : serverPort_(serverPort) {
  listener_ = Listen();
  if (listener_ < 0 || pipe2(wakeFds_, O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot start the cutting proxy");
  }
  port_ = PortOf(listener_);
  thread_ = std::thread([this] { Serve(); });
}

CuttingProxy::~CuttingProxy() {
  stopping_ = true;
  char wake = 0;
  (void)!write(wakeFds_[1], &wake, 1);
  thread_.join();
  for (auto& session : sessions_) {
    CutSession(*session, CutStyle::Close);
  }
  CloseSocket(listener_);
  CloseSocket(wakeFds_[0]);
  CloseSocket(wakeFds_[1]);
}

void CuttingProxy::Arm(const Cut& cut) {
  std::lock_guard lock(mutex_);
  cut_ = cut;
  armed_ = true;
  fired_ = false;
  down_ = false;
  matchesSeen_ = 0;
  transcript_.clear();
}

void CuttingProxy::Heal() {
  std::lock_guard lock(mutex_);
  armed_ = false;
  down_ = false;
  transcript_.clear();
}

void CuttingProxy::RewriteReplies(ReplyRewriter rewriter) {
  std::lock_guard lock(mutex_);
  replyRewriter_ = std::move(rewriter);
}

bool CuttingProxy::fired() const {
  std::lock_guard lock(mutex_);
  return fired_;
}

std::vector<std::string> CuttingProxy::transcript() const {
  std::lock_guard lock(mutex_);
  return transcript_;
}

void CuttingProxy::Serve() {
  enum class Role { ControlClient, ControlServer, DataListener, DataClient, DataServer };
  struct Watched {
    Session* session;
    Role role;
    size_t link;
  };
  while (!stopping_) {
    std::vector<pollfd> fds{{wakeFds_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
    std::vector<Watched> watched{{nullptr, Role::ControlClient, 0},
                                 {nullptr, Role::ControlClient, 0}};
    {
      std::lock_guard lock(mutex_);
      for (auto& session : sessions_) {
        const auto watch = [&](int fd, Role role, size_t link) {
          if (fd >= 0) {
            fds.push_back({fd, POLLIN, 0});
            watched.push_back({session.get(), role, link});
          }
        };
        watch(session->client, Role::ControlClient, 0);
        watch(session->server, Role::ControlServer, 0);
        for (size_t i = 0; i < session->data.size(); ++i) {
          watch(session->data[i].listener, Role::DataListener, i);
          watch(session->data[i].client, Role::DataClient, i);
          watch(session->data[i].server, Role::DataServer, i);
        }
      }
    }
    if (poll(fds.data(), fds.size(), -1) < 0) {
      continue;
    }
    std::lock_guard lock(mutex_);
    if (fds[1].revents != 0) {
      AcceptControl();
    }
    for (size_t i = 2; i < fds.size(); ++i) {
      Session& session = *watched[i].session;
      if (fds[i].revents == 0 || !session.open()) {
        continue;
      }
      const size_t link = watched[i].link;
      // An earlier event of this round may have closed the socket.
      switch (watched[i].role) {
        case Role::ControlClient:
          if (session.client == fds[i].fd) {
            RelayCommands(session);
          }
          break;
        case Role::ControlServer:
          if (session.server == fds[i].fd) {
            RelayReplies(session);
          }
          break;
        case Role::DataListener:
          if (session.data[link].listener == fds[i].fd) {
            AcceptData(session, link);
          }
          break;
        case Role::DataClient:
          if (session.data[link].client == fds[i].fd) {
            RelayData(session, link, true);
          }
          break;
        case Role::DataServer:
          if (session.data[link].server == fds[i].fd) {
            RelayData(session, link, false);
          }
          break;
      }
    }
    std::erase_if(sessions_, [](const auto& session) { return !session->open(); });
  }
}

void CuttingProxy::AcceptControl() {
  int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (client < 0) {
    return;
  }
  if (down_) {
    CutSocket(client, CutStyle::Reset);
    return;
  }
  int server = ConnectTo("127.0.0.1", serverPort_);
  if (server < 0) {
    CutSocket(client, CutStyle::Reset);
    return;
  }
  auto session = std::make_unique<Session>();
  session->client = client;
  session->server = server;
  sessions_.push_back(std::move(session));
}

bool CuttingProxy::Matches(const std::string& verb, const std::string& argument) {
  if (!armed_ || fired_ || verb != cut_.at.verb || argument.rfind(cut_.at.argumentPrefix, 0) != 0) {
    return false;
  }
  return ++matchesSeen_ == cut_.at.occurrence;
}

void CuttingProxy::RelayCommands(Session& session) {
  if (!ReceiveInto(session.client, session.commands)) {
    // The client has gone: so does its server connection, as an orderly end.
    CutSession(session, CutStyle::Close);
    return;
  }
  while (const auto taken = TakeLine(session.commands)) {
    const std::string& line = *taken;
    std::string text = line.substr(0, line.find_last_not_of("\r\n") + 1);
    const size_t blank = text.find(' ');
    std::string verb = text.substr(0, blank);
    std::transform(verb.begin(), verb.end(), verb.begin(),
                   [](unsigned char c) { return std::toupper(c); });
    const std::string argument = blank == std::string::npos ? "" : text.substr(blank + 1);
    transcript_.push_back(argument.empty() ? verb : verb + " " + argument);

    const bool targeted = Matches(verb, argument);
    if (targeted && cut_.at.kind == CutPoint::Kind::BeforeCommand) {
      Fire(session);
      return;
    }
    if (IsDataVerb(verb)) {
      const bool cutsData = targeted && cut_.at.kind == CutPoint::Kind::DataBytes;
      session.Label(cutsData ? std::optional(cut_.at.bytes()) : std::nullopt);
    }
    session.awaited.push_back({verb, targeted && (cut_.at.kind == CutPoint::Kind::BeforeReply ||
                                                  cut_.at.kind == CutPoint::Kind::AfterReply)});
    if (!WriteAll(session.server, line)) {
      CutSession(session, CutStyle::Reset);
      return;
    }
  }
}

void CuttingProxy::RelayReplies(Session& session) {
  if (!ReceiveInto(session.server, session.replies)) {
    CutSession(session, CutStyle::Close);
    return;
  }
  while (auto taken = TakeLine(session.replies)) {
    std::string line = std::move(*taken);
    const bool coded = line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) &&
                       std::isdigit(static_cast<unsigned char>(line[1])) &&
                       std::isdigit(static_cast<unsigned char>(line[2]));
    const std::string code = coded ? line.substr(0, 3) : "";
    bool last = false;
    if (session.multilineCode.empty()) {
      if (coded && line[3] == '-') {
        session.multilineCode = code;
      } else {
        last = coded;
      }
    } else if (code == session.multilineCode && line[3] == ' ') {
      session.multilineCode.clear();
      last = true;
    }
    if (last && code[0] == '1') {
      last = false;  // a preliminary reply; the final one follows
    }
    bool targeted = false;
    if (last && !session.awaited.empty()) {
      targeted = session.awaited.front().targeted;
      if (replyRewriter_) {
        line = replyRewriter_(session.awaited.front().verb, line);
      }
      session.awaited.pop_front();
    }
    if (last && (line.rfind("227", 0) == 0 || line.rfind("229", 0) == 0)) {
      line = RewritePassiveReply(session, line);
    }
    if (targeted && cut_.at.kind == CutPoint::Kind::BeforeReply) {
      Fire(session);
      return;
    }
    if (!WriteAll(session.client, line)) {
      CutSession(session, CutStyle::Reset);
      return;
    }
    if (targeted) {
      Fire(session);
      return;
    }
  }
}

// Points the client at a listener of ours that leads to the address the server named.
std::string CuttingProxy::RewritePassiveReply(Session& session, const std::string& line) {
  Session::DataLink link;
  if (line.rfind("227", 0) == 0) {
    const size_t open = line.find('(');
    int h[4] = {}, p[2] = {};
    if (open == std::string::npos || std::sscanf(line.c_str() + open, "(%d,%d,%d,%d,%d,%d)", &h[0],
                                                 &h[1], &h[2], &h[3], &p[0], &p[1]) != 6) {
      return line;
    }
    link.targetHost = std::to_string(h[0]) + "." + std::to_string(h[1]) + "." +
                      std::to_string(h[2]) + "." + std::to_string(h[3]);
    link.targetPort = p[0] * 256 + p[1];
  } else {
    const size_t bars = line.find("|||");
    if (bars == std::string::npos) {
      return line;
    }
    link.targetHost = "127.0.0.1";
    link.targetPort = std::atoi(line.c_str() + bars + 3);
  }
  link.listener = Listen();
  if (link.listener < 0) {
    return line;
  }
  const int port = PortOf(link.listener);
  session.data.push_back(link);
  if (line.rfind("227", 0) == 0) {
    return "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
           std::to_string(port % 256) + ").\r\n";
  }
  return "229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)\r\n";
}

void CuttingProxy::AcceptData(Session& session, size_t index) {
  auto& link = session.data[index];
  link.client = accept4(link.listener, nullptr, nullptr, SOCK_CLOEXEC);
  CloseSocket(link.listener);  // one connection per passive reply
  if (link.client < 0) {
    return;
  }
  link.server = ConnectTo(link.targetHost, link.targetPort);
  if (link.server < 0) {
    CutSocket(link.client, CutStyle::Reset);
    return;
  }
  if (!session.unclaimedTransfers.empty()) {
    link.labelled = true;
    link.cutAfter = session.unclaimedTransfers.front();
    session.unclaimedTransfers.pop_front();
  }
}

void CuttingProxy::RelayData(Session& session, size_t index, bool fromClient) {
  auto& link = session.data[index];
  int& from = fromClient ? link.client : link.server;
  int& to = fromClient ? link.server : link.client;
  char buffer[65536];
  ssize_t n = recv(from, buffer, sizeof buffer, 0);
  if (n < 0) {
    // A reset on one side is passed on as a reset.
    CutSocket(link.client, CutStyle::Reset);
    CutSocket(link.server, CutStyle::Reset);
    return;
  }
  if (n == 0) {
    // An orderly end is passed on. A data connection carries one direction only, so the
    // sender's side is done with.
    if (to >= 0) {
      shutdown(to, SHUT_WR);
    }
    CloseSocket(from);
    return;
  }
  size_t passed = static_cast<size_t>(n);
  const bool cutHere = link.cutAfter && link.forwarded + passed > *link.cutAfter;
  if (cutHere) {
    passed = *link.cutAfter - link.forwarded;
  }
  if (!WriteAll(to, std::string(buffer, passed))) {
    CutSocket(link.client, CutStyle::Reset);
    CutSocket(link.server, CutStyle::Reset);
    return;
  }
  link.forwarded += passed;
  if (cutHere) {
    fired_ = true;
    if (cut_.networkStaysDown) {
      Fire(session);
    } else {
      CutSocket(link.client, cut_.style);
      CutSocket(link.server, cut_.style);
    }
  }
}

void CuttingProxy::Fire(Session& session) {
  fired_ = true;
  if (cut_.networkStaysDown) {
    down_ = true;
    for (auto& other : sessions_) {
      CutSession(*other, cut_.style);
    }
  }
  CutSession(session, cut_.style);
}

void CuttingProxy::CutSession(Session& session, CutStyle style) {
  CutSocket(session.client, style);
  CutSocket(session.server, style);
  for (auto& link : session.data) {
    CloseSocket(link.listener);
    CutSocket(link.client, style);
    CutSocket(link.server, style);
  }
}

}  // namespace kestrin::test
