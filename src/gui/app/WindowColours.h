#pragma once
// The colours of the main window's title band and tab row.

#include <QColor>

namespace quorvane::colours {

inline const QColor Blue{30, 144, 225};         // title band, tab row, unselected tabs
inline const QColor TitleText{255, 255, 251};   // the title
inline const QColor SelectedTab{240, 245, 230}; // the tab of the page in front
inline const QColor Separator{30, 115, 225};    // line between two tabs
inline const QColor PageButtonHover{250, 240, 235};
inline const QColor PageButtonIdle{128, 128, 128};
inline const QColor Frame{128, 128, 128}; // one-pixel frame round the window

} // namespace quorvane::colours
