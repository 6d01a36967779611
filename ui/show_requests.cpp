#include "ui/show_requests.h"

#include <QLocalSocket>
#include <QStandardPaths>

#include "platform/program_folder.h"

namespace kestrin::ui {

namespace {
constexpr int kConnectTimeoutMs = 2000;
}  // namespace

QString ShowRequestChannel() {
  return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + '/' + kProgramName +
         ".socket";
}

ShowRequests::ShowRequests(const QString& channel, QObject* parent) : QObject(parent) {
  // Only one program runs per user, so a socket left behind by a crash is stale.
  QLocalServer::removeServer(channel);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  server_.listen(channel);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* caller = server_.nextPendingConnection()) {
      caller->disconnectFromServer();
      caller->deleteLater();
      emit showRequested();
    }
  });
}

void AskRunningProgramToShow(const QString& channel) {
  QLocalSocket socket;
  socket.connectToServer(channel);
  if (socket.waitForConnected(kConnectTimeoutMs)) {
    socket.disconnectFromServer();
  }
}

}  // namespace kestrin::ui
