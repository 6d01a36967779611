#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrin::bench {

// A relay on 127.0.0.2 in front of an FTP server on 127.0.0.1 that holds back every chunk for
// half a round trip in each direction, as a distant server would, and counts the commands on
// the control connection and the data connections opened. The passive data ports are relayed
// one to one, so the server's replies need no rewriting and an encrypted control connection
// passes untouched: its commands are counted as TLS records.
class DelayingProxy {
 public:
  static constexpr const char* kAddress = "127.0.0.2";

  explicit DelayingProxy(std::chrono::milliseconds roundTrip);
  ~DelayingProxy();
  DelayingProxy(const DelayingProxy&) = delete;
  DelayingProxy& operator=(const DelayingProxy&) = delete;

  // The passive ports the server is to use: the proxy listens on the same ones.
  int firstDataPort() const { return firstDataPort_; }
  int lastDataPort() const { return firstDataPort_ + kDataPorts - 1; }
  // Starts relaying to the server; the client connects to kAddress at port().
  void Start(int serverPort);
  int port() const { return port_; }

  struct Counts {
    int commands = 0;
    int dataConnections = 0;
  };
  Counts Take();  // what passed since the last call

 private:
  static constexpr int kDataPorts = 16;

  void Serve();
  void Relay(int listener, int serverPort, bool control);

  const std::chrono::milliseconds oneWay_;
  int firstDataPort_ = 0;
  std::vector<int> listeners_;  // the control port's last
  int port_ = 0;
  int serverPort_ = 0;
  int wake_[2] = {-1, -1};
  std::atomic<int> commands_{0};
  std::atomic<int> dataConnections_{0};
  std::mutex mutex_;
  std::vector<std::thread> relays_;
  std::vector<int> sockets_;  // shut down when the proxy goes, so the relays end
  std::thread thread_;
};

}  // namespace kestrin::bench
