#pragma once

#include <QString>

class QWidget;

namespace kestrin::ui {

// Modal boxes with an OK button and the application title as caption.
void ShowExclamation(QWidget* parent, const QString& text);
void ShowInformation(QWidget* parent, const QString& text);

}  // namespace kestrin::ui
