#pragma once

class QWidget;

namespace kestrin::ui {

// A field that cannot be used shows the button-face colour, a usable one the window
// background, as on the classic desktop.
enum class FieldBackground { Window, ButtonFace };

void SetFieldBackground(QWidget* field, FieldBackground background);

}  // namespace kestrin::ui
