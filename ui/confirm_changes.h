#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "sync/change_list.h"

class QWidget;

namespace kestrin::ui {

// The run's confirmation question: shows frmProcess beside the main window and keeps the
// user interface running until the dialog has closed, however it closed. The ticked rows
// after "Process"; nullopt otherwise.
std::optional<std::vector<ChangeRow>> ConfirmWithDialog(QWidget* parent,
                                                        std::chrono::milliseconds tickPeriod,
                                                        const ChangeList& changes);

}  // namespace kestrin::ui
