#include "tests/ui/ui_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>
#include <filesystem>

namespace kestrin::test {

MessageBoxAnswerer::MessageBoxAnswerer() {
  poll_.setInterval(0);
  QObject::connect(&poll_, &QTimer::timeout, [this] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      QPushButton* answer = box->defaultButton();
      seen_.push_back({box->windowTitle(), box->text(), box->icon(), box->textFormat(),
                       answer ? answer->text() : QString()});
      if (answer) {
        answer->click();
      } else {
        box->accept();
      }
    }
  });
  poll_.start();
}

ProcessDialogAnswerer::ProcessDialogAnswerer(std::function<void(ui::ProcessDialog&)> answer) {
  poll_.setInterval(0);
  QObject::connect(&poll_, &QTimer::timeout, [this, answer] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<ui::ProcessDialog*>(widget);
      if (dialog && dialog->isVisible()) {
        poll_.stop();
        answered_ = true;
        answer(*dialog);
        return;
      }
    }
  });
  poll_.start();
}

TestComputer::TestComputer() : opened_(std::make_shared<std::vector<std::string>>()) {
  std::filesystem::create_directories(favoritesRoot());
}

void TestComputer::WriteSettings(const std::string& lines) const {
  WriteFileBytes(settingsPath(), lines);
}

void TestComputer::AddShortcut(const std::string& relativePath, const std::string& url) const {
  const std::filesystem::path file = favoritesRoot() + relativePath;
  std::filesystem::create_directories(file.parent_path());
  WriteFileBytes(file, "[InternetShortcut]\r\nURL=" + url + "\r\n");
}

ui::MainWindowConfig TestComputer::Config() const {
  auto opened = opened_;
  return {.settingsPath = settingsPath(),
          .favoritesRoot = favoritesRoot(),
          .tickPeriod = std::chrono::hours(24),
          .openDocument = [opened](const std::string& path) {
            opened->push_back(path);
            return true;
          }};
}

ui::MainWindow& TestComputer::Start() {
  window_ = std::make_unique<ui::MainWindow>(Config());
  return *window_;
}

ui::MainWindow& TestComputer::StartWith(const FtpServer& server, const std::string& name,
                                        bool confirm) {
  const ui::MainWindowControls& c = Start().controls();
  c.txtName->setText(QString::fromStdString(name));
  c.txtServer->setText("127.0.0.1");
  c.txtUsername->setText(QString::fromStdString(server.user()));
  c.txtPassword->setText(QString::fromStdString(server.password()));
  c.txtPort->setText(QString::number(server.port()));
  c.chkConfirm->setChecked(confirm);
  return *window_;
}

void ProcessEvents() {
  QApplication::processEvents();
  QApplication::processEvents();
}

}  // namespace kestrin::test
