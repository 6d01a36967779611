#pragma once

#include <QIcon>
#include <QImage>

#include "sync/run_display.h"

namespace kestrin::ui {

// The tray pictures, drawn in code so that each size is sharp: a green tick (ready),
// amber turning arrows (working), a red exclamation mark (error).
QIcon StatusIcon(StatusImage image);

// The program's own picture: blue turning arrows.
QIcon ApplicationIcon();

// One picture at one size; the icons above are made of these at 16, 22, 32 and 48 pixels.
QImage DrawStatusImage(StatusImage image, int size);
QImage DrawApplicationImage(int size);

}  // namespace kestrin::ui
