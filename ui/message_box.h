#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace kestrin::ui {

// Modal boxes with an OK button and the application title as caption.
void ShowExclamation(QWidget* parent, const QString& text);
void ShowInformation(QWidget* parent, const QString& text);

// A modal question whose buttons are the answers, the first the default. Returns the index
// of the answer chosen; Escape chooses `escape`, and without one (-1) an answer is needed.
int AskQuestion(QWidget* parent, const QString& text, const QStringList& answers, int escape = -1);

}  // namespace kestrin::ui
