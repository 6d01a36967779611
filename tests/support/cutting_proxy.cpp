#include "tests/support/cutting_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

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

bool Send(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) {
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Appends what the socket has to `pending`; false when the peer has gone.
bool Receive(int fd, std::string& pending) {
  char buffer[4096];
  const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
  pending.append(buffer, static_cast<size_t>(std::max<ssize_t>(n, 0)));
  return n > 0;
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

}  // namespace

struct CuttingProxy::Session {
  int client = -1;
  int server = -1;
  // The passive data connection: our listener named in the last EPSV reply, then the pair.
  int dataListener = -1;
  int dataClient = -1;
  int dataServer = -1;
  int dataPort = 0;                // the server's, named in its EPSV reply
  std::optional<size_t> cutAfter;  // the bytes the data connection passes before the cut
  size_t forwarded = 0;
  std::string commands;  // bytes from the client not yet a whole line
  std::string replies;   // bytes from the server not yet a whole line
  // The verbs whose final replies are due, and whether the cut falls at theirs. The
  // greeting comes unasked.
  std::deque<std::pair<std::string, bool>> awaited{{"", false}};

  // In the order Serve() polls them.
  std::array<int*, 5> Sockets() {
    return {&client, &server, &dataListener, &dataClient, &dataServer};
  }
  void CutAll(Cut::Style style) {
    for (int* fd : Sockets()) {
      CutSocket(*fd, style);
    }
  }
};

CuttingProxy::CuttingProxy(int serverPort) : serverPort_(serverPort) {
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
  for (Session& session : sessions_) {
    session.CutAll(Cut::Close);
  }
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
    std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
    {
      std::lock_guard lock(mutex_);
      for (Session& session : sessions_) {
        for (int* fd : session.Sockets()) {
          fds.push_back({*fd, POLLIN, 0});  // poll skips the closed ones (-1)
        }
      }
    }
    poll(fds.data(), fds.size(), -1);
    std::lock_guard lock(mutex_);
    if (stopping_) {
      return;
    }
    const auto ready =
        std::find_if(fds.begin() + 1, fds.end(), [](const pollfd& fd) { return fd.revents != 0; });
    if (ready == fds.begin() + 1) {
      Accept();
    } else if (ready != fds.end()) {
      const size_t slot = static_cast<size_t>(ready - fds.begin() - 2);
      Session& session = *std::next(sessions_.begin(), static_cast<long>(slot / 5));
      switch (slot % 5) {
        case 0:
          RelayCommands(session);
          break;
        case 1:
          RelayReplies(session);
          break;
        case 2:
          AcceptData(session);
          break;
        case 3:
          RelayData(session, session.dataClient, session.dataServer);
          break;
        default:
          RelayData(session, session.dataServer, session.dataClient);
      }
    }
    sessions_.remove_if([](const Session& session) { return session.client < 0; });
  }
}

void CuttingProxy::Accept() {
  Session& session = sessions_.emplace_back();
  session.client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  session.server = down_ ? -1 : ConnectTo(serverPort_);
  if (session.server < 0) {
    session.CutAll(Cut::Reset);
  }
}

void CuttingProxy::AcceptData(Session& session) {
  session.dataClient = accept4(session.dataListener, nullptr, nullptr, SOCK_CLOEXEC);
  CutSocket(session.dataListener, Cut::Close);  // one connection per passive reply
  session.dataServer = ConnectTo(session.dataPort);
  if (session.dataServer < 0) {
    CutSocket(session.dataClient, Cut::Reset);
  }
}

void CuttingProxy::RelayCommands(Session& session) {
  if (!Receive(session.client, session.commands)) {
    session.CutAll(Cut::Close);  // the client has gone, and so does its server connection
    return;
  }
  while (const auto line = TakeLine(session.commands)) {
    const bool targeted = armed_ && line->starts_with(cut_.command);
    armed_ = armed_ && !targeted;
    if (targeted && cut_.kind == Cut::BeforeCommand) {
      return Fire(session, false);
    }
    if (targeted && cut_.kind == Cut::InData) {
      session.cutAfter = cut_.bytes();
    }
    session.awaited.emplace_back(line->substr(0, line->find_first_of(" \r\n")),
                                 targeted && cut_.kind != Cut::InData);
    if (!Send(session.server, *line)) {
      return session.CutAll(Cut::Reset);
    }
  }
}

void CuttingProxy::RelayReplies(Session& session) {
  if (!Receive(session.server, session.replies)) {
    return session.CutAll(Cut::Close);
  }
  while (auto line = TakeLine(session.replies)) {
    // A final reply is a code from 2xx to 5xx and a blank; the lines within a multi-line
    // reply carry a hyphen after the code or start with a blank.
    const bool final = line->size() > 4 && (*line)[0] >= '2' && (*line)[0] <= '5' &&
                       (*line)[3] == ' ' && !session.awaited.empty();
    bool targeted = false;
    if (final) {
      const std::string verb = session.awaited.front().first;
      targeted = session.awaited.front().second;
      session.awaited.pop_front();
      if (rewriteReply_) {
        line = rewriteReply_(verb, *line);
      }
    }
    if (final && line->starts_with("229")) {
      // Points the client at a listener of ours that leads to the port the server named.
      session.dataPort = std::atoi(line->c_str() + line->find("|||") + 3);
      for (int* fd : {&session.dataListener, &session.dataClient, &session.dataServer}) {
        CutSocket(*fd, Cut::Close);
      }
      session.dataListener = Listen();
      session.cutAfter.reset();
      session.forwarded = 0;
      line = "229 Entering Extended Passive Mode (|||" +
             std::to_string(PortOf(session.dataListener)) + "|)\r\n";
    }
    if (targeted && cut_.kind == Cut::BeforeReply) {
      return Fire(session, false);
    }
    if (!Send(session.client, *line)) {
      return session.CutAll(Cut::Reset);
    }
    if (targeted) {
      return Fire(session, false);
    }
  }
}

// A data connection carries one direction only: `from` sends, `to` receives.
void CuttingProxy::RelayData(Session& session, int& from, int& to) {
  char buffer[65536];
  const ssize_t n = recv(from, buffer, sizeof buffer, 0);
  if (n < 0) {  // a reset is passed on as a reset
    CutSocket(from, Cut::Reset);
    return CutSocket(to, Cut::Reset);
  }
  if (n == 0) {  // and an orderly end as an orderly end
    shutdown(to, SHUT_WR);
    return CutSocket(from, Cut::Close);
  }
  size_t passed = static_cast<size_t>(n);
  const bool cutHere = session.cutAfter && session.forwarded + passed > *session.cutAfter;
  if (cutHere) {
    passed = *session.cutAfter - session.forwarded;
  }
  if (!Send(to, std::string_view(buffer, passed))) {
    CutSocket(from, Cut::Reset);
    return CutSocket(to, Cut::Reset);
  }
  session.forwarded += passed;
  if (cutHere) {
    Fire(session, true);
  }
}

void CuttingProxy::Fire(Session& session, bool dataOnly) {
  fired_ = true;
  down_ = cut_.networkStaysDown;
  for (int* fd : {&session.dataListener, &session.dataClient, &session.dataServer}) {
    CutSocket(*fd, cut_.style);
  }
  if (!dataOnly || down_) {
    session.CutAll(cut_.style);
  }
}

}  // namespace kestrin::test
