#include "ui/control_colors.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace kestrin::ui {

void SetFieldBackground(QWidget* field, FieldBackground background) {
  QPalette palette = field->palette();
  const QPalette::ColorRole source =
      background == FieldBackground::Window ? QPalette::Base : QPalette::Button;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, QApplication::palette().color(group, source));
  }
  field->setPalette(palette);
}

}  // namespace kestrin::ui
