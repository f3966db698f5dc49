#pragma once
// Every window of the program reads as a window to a screen reader. A plain QWidget shown as a
// window of its own (the main window, the traffic and presets windows) would otherwise read as a
// "filler", which a reader does not announce when it comes up. Dialogs keep their dialog role.

namespace quorvane {

// Installs, once per process, the accessibility factory that gives the program's own window
// classes the window role. Call it before the first window is shown; later calls do nothing.
void installWindowAccessible();

} // namespace quorvane
