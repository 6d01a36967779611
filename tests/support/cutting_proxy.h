#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrin::test {

// How a cut connection ends: an abortive close (RST), or a plain close that the peer reads
// as the orderly end of the stream (FIN). The FIN is the treacherous one: a server that
// gets it on an upload's data connection takes the upload for complete.
enum class CutStyle { Reset, Close };

// The moment of a cut, counted from when it is armed. Commands are matched by verb and,
// when given, by the start of their argument ("STOR" "favs.dat.upload-").
struct CutPoint {
  enum class Kind {
    BeforeCommand,  // the n-th matching command never reaches the server
    BeforeReply,    // it reaches the server, but its final reply never reaches the client
    AfterReply,     // its final reply is delivered, then the control connection is cut
    DataBytes,      // the data connection opened for it is cut after `bytes` bytes
  };
  Kind kind = Kind::BeforeCommand;
  std::string verb;
  std::string argumentPrefix;
  int occurrence = 1;
  // DataBytes: how many bytes pass before the cut, asked when the transfer command passes,
  // so that it can depend on a file the client has only just written.
  std::function<size_t()> bytes = [] { return size_t{0}; };

  std::string Describe() const;  // for test output: "before reply to PASS #1"
};

struct Cut {
  CutPoint at;
  CutStyle style = CutStyle::Reset;
  // The network stays down after the cut: every connection is cut and new ones are reset
  // until Heal(). Otherwise only the chosen connection dies and the next one goes through.
  bool networkStaysDown = false;
};

// A TCP relay on 127.0.0.1 in front of a real FTP server that cuts one connection at a
// chosen point, as a failing network would. It relays the control connection line by line
// and, by rewriting the server's PASV (227) and EPSV (229) replies to point at itself, the
// passive data connections too. Active mode (PORT/EPRT) bypasses it and cannot be cut.
class CuttingProxy {
 public:
  explicit CuttingProxy(int serverPort);
  ~CuttingProxy();
  CuttingProxy(const CuttingProxy&) = delete;
  CuttingProxy& operator=(const CuttingProxy&) = delete;

  int port() const { return port_; }

  void Arm(const Cut& cut);  // replaces any armed cut; occurrences count from now
  void Heal();               // disarms, and a network that stayed down comes back
  // Lets a test play a server that answers differently: the rewriter gets the command's
  // verb and the final reply line (with its CR LF) and returns the line to deliver.
  using ReplyRewriter =
      std::function<std::string(const std::string& verb, const std::string& line)>;
  void RewriteReplies(ReplyRewriter rewriter);
  bool fired() const;
  // Every command the clients sent since the last Arm or Heal, "VERB argument".
  std::vector<std::string> transcript() const;

 private:
  struct Session;
  void Serve();
  void AcceptControl();
  void RelayCommands(Session& session);
  void RelayReplies(Session& session);
  void RelayData(Session& session, size_t index, bool fromClient);
  void AcceptData(Session& session, size_t listenerIndex);
  std::string RewritePassiveReply(Session& session, const std::string& line);
  void CutSession(Session& session, CutStyle style);
  void Fire(Session& session);
  bool Matches(const std::string& verb, const std::string& argument);

  int listener_ = -1;
  int port_ = 0;
  int serverPort_ = 0;
  int wakeFds_[2] = {-1, -1};
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  bool armed_ = false;
  bool fired_ = false;
  bool down_ = false;
  Cut cut_;
  ReplyRewriter replyRewriter_;
  int matchesSeen_ = 0;
  std::vector<std::string> transcript_;
  std::vector<std::unique_ptr<Session>> sessions_;
  std::thread thread_;
};

}  // namespace kestrin::test
