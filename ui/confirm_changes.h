#pragma once

#include <chrono>

#include "sync/change_list.h"

class QWidget;

namespace kestrin::ui {

// The run's confirmation question: shows frmProcess beside the main window and keeps the
// user interface running until the dialog has closed, however it closed.
ConfirmChangesHook ConfirmWithDialog(QWidget* parent, std::chrono::milliseconds tickPeriod);

}  // namespace kestrin::ui
