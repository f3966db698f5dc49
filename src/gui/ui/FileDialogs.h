#pragma once
// File dialogs that never wait: the dialog opens window-modal over its parent and the call returns
// at once; the chosen path arrives later in `chosen` (never called on a cancel). No nested event
// loop runs, so a screen reader's "Press" on an open button returns while the dialog is up, and
// the program's timers, serial bytes and socket data keep being handled as usual.

#include <QString>

#include <functional>

class QFileDialog;
class QWidget;

namespace quorvane {

using PathChosen = std::function<void(const QString& path)>;

// An existing file. `filter` as QFileDialog takes it ("Binary file(*.bin *.BIN)").
QFileDialog* askForFileToOpen(QWidget* parent, const QString& caption, const QString& filter,
                              PathChosen chosen);

// A file to write, proposing `suggestedName`; the dialog asks before replacing a file.
QFileDialog* askForFileToSave(QWidget* parent, const QString& caption, const QString& suggestedName,
                              const QString& filter, PathChosen chosen);

} // namespace quorvane
