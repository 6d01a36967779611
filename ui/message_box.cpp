#include "ui/message_box.h"

#include <QMessageBox>

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

}  // namespace kestrin::ui
