// frmMain's message boxes, questions and notices: the session's texts, drawn as Qt has them.
#include <QStringList>

#include "ui/main_window.h"
#include "ui/message_box.h"

namespace kestrin::ui {

void MainWindow::ShowMessage(const desktop::Message& message) {
  const QString text = QString::fromStdString(message.text);
  if (message.icon == desktop::Message::Icon::Exclamation) {
    ShowExclamation(this, text);
  } else {
    ShowInformation(this, text);
  }
}

int MainWindow::Ask(const desktop::Question& question) {
  QStringList answers;
  for (const std::string& answer : question.answers) {
    answers << QString::fromStdString(answer);
  }
  return AskQuestion(this, QString::fromStdString(question.text), answers, question.escape);
}

void MainWindow::Notify(const desktop::Notice& notice) {
  const QString text = QString::fromStdString(notice.text);
  if (notice.offersUndo) {
    tray_.NotifyUndoable(text);
  } else {
    tray_.Notify(text, notice.failure);
  }
}

bool MainWindow::Open(const std::string& target) {
  return config_.openDocument && config_.openDocument(target);
}

}  // namespace kestrin::ui
