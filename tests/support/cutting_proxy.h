#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace kestrin::test {

// Where and how a cut falls, counted from when it is armed. The command is matched by its
// verb and the start of its argument ("STOR favs.dat."); an HTTP request by its method and the
// start of the file name its path ends in ("PUT favs.dat.").
struct Cut {
  enum Kind {
    BeforeCommand,  // the command never reaches the server
    BeforeReply,    // it reaches the server, but its final reply never reaches the client
    AfterReply,     // its final reply is delivered, then the control connection is cut
    // The data connection opened for it is cut after `bytes()` bytes; over HTTP, the
    // connection after that many bytes of the request's body, or of the reply's to a GET.
    InData,
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

// A TCP relay on 127.0.0.1 in front of a real FTP or HTTP server that cuts the network at an
// armed point. It relays one client at a time (a new connection ends the last). For FTP it
// relays the control connection line by line and, by pointing the server's EPSV replies (229)
// at itself, the passive data connections too; for HTTP the one connection as it comes.
class CuttingProxy {
 public:
  enum class Wire { Ftp, Http };
  explicit CuttingProxy(int serverPort, Wire wire = Wire::Ftp);
  ~CuttingProxy();

  int port() const { return port_; }
  void Arm(const Cut& cut);
  void Heal();  // disarms, and a network that stayed down comes back
  bool fired() const;
  size_t commandsRelayed() const;  // FTP: the client's commands passed on so far
  // Plays a server that answers differently: gets the command's verb and the final reply
  // line (with its CR LF), returns the line to deliver.
  using ReplyRewriter =
      std::function<std::string(const std::string& verb, const std::string& line)>;
  void RewriteReplies(ReplyRewriter rewriter);

 private:
  void Serve();
  void Accept();
  void AcceptData();
  void RelayCommand();
  void RelayReply();
  void RelayData(int& from, int& to);
  void RelayHttp(bool request);  // the bytes that came from the client, or from the server
  void Fire(bool dataOnly);
  void CutData(Cut::Style style);
  void CutAll(Cut::Style style);

  const int serverPort_;
  const Wire wire_;
  int listener_;
  int port_;
  int wake_[2];
  mutable std::mutex mutex_;
  bool stopping_ = false;
  bool armed_ = false;
  bool fired_ = false;
  size_t commandsRelayed_ = 0;
  bool down_ = false;
  Cut cut_{};
  ReplyRewriter rewriteReply_;
  std::thread thread_;

  // The relayed connection: the control pair, then our listener named in the last EPSV
  // reply and the data pair it leads to.
  int client_ = -1;
  int server_ = -1;
  int dataListener_ = -1;
  int dataClient_ = -1;
  int dataServer_ = -1;
  int dataPort_ = 0;                // the server's, named in its EPSV reply
  std::optional<size_t> cutAfter_;  // the bytes the data connection passes before the cut
  size_t forwarded_ = 0;
  // The verbs whose final replies are due, and whether the cut falls at theirs.
  std::deque<std::pair<std::string, bool>> awaited_;
  // HTTP: the request the cut falls in has passed; the direction whose body bytes count, and
  // whether its header block is still passing.
  bool httpTargetPassed_ = false;
  bool countReply_ = false;
  bool inHeader_ = false;
};

}  // namespace kestrin::test
