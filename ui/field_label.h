#pragma once

#include <QLabel>

namespace kestrin::ui {

// A label that leads to its field: its mnemonic focuses the field, and the field takes
// the label's words as its accessible name. A check box also toggles from a click on it.
class FieldLabel : public QLabel {
  Q_OBJECT

 public:
  FieldLabel(const QString& text, QWidget* field);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// The words of a caption, without its mnemonic marker and closing colon.
QString CaptionWords(QString caption);

}  // namespace kestrin::ui
