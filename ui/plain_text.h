#pragma once

#include <QString>
#include <QTextDocument>
#include <string>

#include "formats/printable_text.h"

namespace kestrin::ui {

// For widgets that render text that looks like markup as such (tooltips, the icon's
// messages): text from the server, the settings file or the Favorites folder is shown as
// it is written.
inline QString AsPlainText(const QString& text) {
  return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text) : text;
}

// Text from the server, a list or the Favorites folder: its control characters are shown,
// not obeyed.
inline QString Shown(const std::string& text) {
  return QString::fromStdString(PrintableText(text));
}

}  // namespace kestrin::ui
