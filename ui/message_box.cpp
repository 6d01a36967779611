#include "ui/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "platform/program_folder.h"

namespace kestrin::ui {

namespace {
void Show(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}
}  // namespace

void ShowExclamation(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::Warning, text);
}

void ShowInformation(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::Information, text);
}

int AskQuestion(QWidget* parent, const QString& text, const QStringList& answers, int escape) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kApplicationTitle), text,
                  QMessageBox::NoButton, parent);
  box.setTextFormat(Qt::PlainText);
  QList<QPushButton*> buttons;
  for (const QString& answer : answers) {
    buttons.append(box.addButton(answer, QMessageBox::ActionRole));
  }
  box.setDefaultButton(buttons.value(0));
  if (escape >= 0) {
    box.setEscapeButton(buttons.value(escape));
  }
  box.exec();
  return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

}  // namespace kestrin::ui
