#include "ui/field_label.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QRegularExpression>

namespace kestrin::ui {

FieldLabel::FieldLabel(const QString& text, QWidget* field) : QLabel(text) {
  setBuddy(field);
  field->setAccessibleName(CaptionWords(text));
}

void FieldLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  auto* check = qobject_cast<QAbstractButton*>(buddy());
  if (check && check->isEnabled() && event->button() == Qt::LeftButton &&
      rect().contains(event->position().toPoint())) {
    check->click();
  }
}

QString CaptionWords(QString caption) {
  caption.remove(QRegularExpression("&(?!&)"));
  if (caption.endsWith(':')) {
    caption.chop(1);
  }
  return caption;
}

}  // namespace kestrin::ui
