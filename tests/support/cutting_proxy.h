#pragma once

#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace kestrin::test {

// Where and how a cut falls, counted from when it is armed. The command is matched by its
// verb and the start of its argument ("STOR favs.dat.").
struct Cut {
  enum Kind {
    BeforeCommand,  // the command never reaches the server
    BeforeReply,    // it reaches the server, but its final reply never reaches the client
    AfterReply,     // its final reply is delivered, then the control connection is cut
    InData,         // the data connection opened for it is cut after `bytes()` bytes
  };
  Kind kind;
  std::string command;
  // An abortive close (RST) or a plain one the peer reads as the orderly end (FIN). The
  // FIN is the treacherous one: a server that gets it on an upload takes the upload as whole.
  enum Style { Reset, Close } style = Reset;
  // Until Heal() every new connection is reset; otherwise the next one goes through.
  bool networkStaysDown = false;
  // Asked when the transfer command passes, so that it can measure a file only just written.
  std::function<size_t()> bytes = [] { return size_t{0}; };
};

// A TCP relay on 127.0.0.1 in front of a real FTP server that cuts the network at an armed
// point. It relays the control connection line by line and, by pointing the server's EPSV
// replies (229) at itself, the passive data connections too.
class CuttingProxy {
 public:
  explicit CuttingProxy(int serverPort);
  ~CuttingProxy();

  int port() const { return port_; }
  void Arm(const Cut& cut);
  void Heal();  // disarms, and a network that stayed down comes back
  bool fired() const;
  // Plays a server that answers differently: gets the command's verb and the final reply
  // line (with its CR LF), returns the line to deliver.
  using ReplyRewriter =
      std::function<std::string(const std::string& verb, const std::string& line)>;
  void RewriteReplies(ReplyRewriter rewriter);

 private:
  struct Session;
  void Serve();
  void Accept();
  void AcceptData(Session& session);
  void RelayCommands(Session& session);
  void RelayReplies(Session& session);
  void RelayData(Session& session, int& from, int& to);
  void Fire(Session& session, bool dataOnly);

  int listener_;
  int port_;
  int serverPort_;
  int wake_[2];
  mutable std::mutex mutex_;
  bool stopping_ = false;
  bool armed_ = false;
  bool fired_ = false;
  bool down_ = false;
  Cut cut_{};
  ReplyRewriter rewriteReply_;
  std::list<Session> sessions_;
  std::thread thread_;
};

}  // namespace kestrin::test
