#pragma once

#include <QDialog>

namespace kestrin::ui {

inline constexpr char kWebPage[] = "https://kestrin.example.org/";
inline constexpr char kSupportAddress[] = "support@kestrin.example.org";

// frmAbout: title, version, legal notice and the links to the web page and support.
class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent);
};

}  // namespace kestrin::ui
