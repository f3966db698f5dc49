#pragma once
// A label that shows a value (a device type, a version, an EDID name). A screen reader speaks a
// label by its accessible name, so the name carries the value: "IN1 EDID: 1080p,Stereo Audio 2.0",
// or the caption alone ("IN1 EDID") while there is no value.

#include <QString>

class QLabel;

namespace quorvane {

// Shows `value` in `label` and names the label "<caption>: <value>" (the caption alone for an
// empty value). Cheap when nothing changed.
void showValue(QLabel* label, const QString& caption, const QString& value);

// The accessible name showValue() gives.
QString valueName(const QString& caption, const QString& value);

} // namespace quorvane
