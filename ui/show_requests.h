#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace kestrin::ui {

// Where a running program listens for later starts: a socket in the user's private runtime
// folder, so that no other user can reach it.
QString ShowRequestChannel();

// The running program's side: every connection asks for its window.
class ShowRequests : public QObject {
  Q_OBJECT

 public:
  ShowRequests(const QString& channel, QObject* parent);

 signals:
  void showRequested();

 private:
  QLocalServer server_;
};

// A later start's side: asks the running program to bring its window to the front.
void AskRunningProgramToShow(const QString& channel);

}  // namespace kestrin::ui
