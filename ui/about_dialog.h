#pragma once

#include <QDialog>

namespace kestrin::ui {

// frmAbout: title, version and legal notice.
class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent);
};

}  // namespace kestrin::ui
