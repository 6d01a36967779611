#include "bench/delaying_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrin::bench {
namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Address(const char* ip, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, ip, &address.sin_addr);
  return address;
}

int Listen(int port) {
  const sockaddr_in address = Address(DelayingProxy::kAddress, port);
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 16) != 0) {
    close(fd);
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

// The commands a client sends: lines, and once TLS has begun, records of application data,
// one a command, less the handshake's last record and the closing alert (TLS 1.3 sends both
// as application data).
class CommandCounter {
 public:
  explicit CommandCounter(std::atomic<int>& commands) : commands_(commands) {}

  void Feed(std::string_view bytes) {
    pending_ += bytes;
    // The client's hello, a handshake record, follows the server's consent to "AUTH TLS".
    tls_ = tls_ || pending_.starts_with('\x16');
    while (!tls_) {
      const size_t end = pending_.find('\n');
      if (end == std::string::npos) {
        return;
      }
      ++commands_;
      pending_.erase(0, end + 1);
    }
    while (pending_.size() >= 5) {
      const size_t length =
          static_cast<unsigned char>(pending_[3]) * 256u + static_cast<unsigned char>(pending_[4]);
      if (pending_.size() < 5 + length) {
        return;
      }
      if (pending_[0] == 23 && records_++ > 0) {
        ++commands_;
      }
      pending_.erase(0, 5 + length);
    }
  }

  void End() {
    if (records_ > 1) {
      --commands_;
    }
  }

 private:
  std::atomic<int>& commands_;
  std::string pending_;
  bool tls_ = false;
  int records_ = 0;
};

// Passes what `from` sends on to `to` `delay` later, until `from` ends.
void Pump(int from, int to, std::chrono::milliseconds delay, CommandCounter* counter) {
  struct Chunk {
    Clock::time_point due;
    std::string bytes;
  };
  std::deque<Chunk> queue;
  bool ended = false;
  while (!ended || !queue.empty()) {
    if (!ended) {
      int timeout = -1;
      if (!queue.empty()) {
        timeout = static_cast<int>(std::max<long>(
            0, std::chrono::ceil<std::chrono::milliseconds>(queue.front().due - Clock::now())
                   .count()));
      }
      pollfd ready{from, POLLIN, 0};
      if (poll(&ready, 1, timeout) > 0) {
        char buffer[65536];
        const ssize_t n = recv(from, buffer, sizeof buffer, 0);
        if (n <= 0) {
          ended = true;
        } else {
          queue.push_back({Clock::now() + delay, std::string(buffer, static_cast<size_t>(n))});
          if (counter != nullptr) {
            counter->Feed(queue.back().bytes);
          }
        }
      }
    } else {
      std::this_thread::sleep_until(queue.front().due);
    }
    while (!queue.empty() && queue.front().due <= Clock::now()) {
      const std::string& bytes = queue.front().bytes;
      if (send(to, bytes.data(), bytes.size(), MSG_NOSIGNAL) != std::ssize(bytes)) {
        ended = true;
        queue.clear();
        break;
      }
      queue.pop_front();
    }
  }
  if (counter != nullptr) {
    counter->End();
  }
  shutdown(to, SHUT_WR);
}

}  // namespace

DelayingProxy::DelayingProxy(std::chrono::milliseconds roundTrip) : oneWay_(roundTrip / 2) {
  // A run of free ports, on this address and the server's.
  for (int first = 41000; first < 60000 && listeners_.empty(); first += kDataPorts) {
    for (int port = first; port < first + kDataPorts; ++port) {
      const int fd = Listen(port);
      const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const sockaddr_in server = Address("127.0.0.1", port);
      const bool free = bind(probe, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0;
      close(probe);
      if (fd < 0 || !free) {
        if (fd >= 0) {
          close(fd);
        }
        for (int open : listeners_) {
          close(open);
        }
        listeners_.clear();
        break;
      }
      listeners_.push_back(fd);
    }
    firstDataPort_ = first;
  }
  const int control = Listen(0);
  if (listeners_.empty() || control < 0 || pipe2(wake_, O_CLOEXEC) != 0) {
    throw std::runtime_error("the delaying proxy cannot listen on " + std::string(kAddress));
  }
  listeners_.push_back(control);
  port_ = PortOf(control);
}

void DelayingProxy::Start(int serverPort) {
  serverPort_ = serverPort;
  thread_ = std::thread([this] { Serve(); });
}

DelayingProxy::~DelayingProxy() {
  (void)!write(wake_[1], "", 1);
  if (thread_.joinable()) {
    thread_.join();
  }
  {
    std::lock_guard lock(mutex_);
    for (int fd : sockets_) {
      shutdown(fd, SHUT_RDWR);
    }
  }
  for (auto& relay : relays_) {
    relay.join();
  }
  for (int fd : sockets_) {
    close(fd);
  }
  for (int fd : listeners_) {
    close(fd);
  }
  close(wake_[0]);
  close(wake_[1]);
}

DelayingProxy::Counts DelayingProxy::Take() {
  return {commands_.exchange(0), dataConnections_.exchange(0)};
}

void DelayingProxy::Serve() {
  std::vector<pollfd> fds{{wake_[0], POLLIN, 0}};
  for (int fd : listeners_) {
    fds.push_back({fd, POLLIN, 0});
  }
  while (true) {
    poll(fds.data(), fds.size(), -1);
    if (fds[0].revents != 0) {
      return;
    }
    for (size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents != 0) {
        const bool control = i == fds.size() - 1;
        Relay(fds[i].fd, control ? serverPort_ : firstDataPort_ + static_cast<int>(i) - 1, control);
      }
    }
  }
}

void DelayingProxy::Relay(int listener, int serverPort, bool control) {
  const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = Address("127.0.0.1", serverPort);
  if (connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(server);
    close(client);
    return;
  }
  if (!control) {
    ++dataConnections_;
  }
  std::lock_guard lock(mutex_);
  sockets_.insert(sockets_.end(), {client, server});
  auto counter = control ? std::make_shared<CommandCounter>(commands_) : nullptr;
  relays_.emplace_back([=, this] { Pump(client, server, oneWay_, counter.get()); });
  relays_.emplace_back([=, this] { Pump(server, client, oneWay_, nullptr); });
}

}  // namespace kestrin::bench
