#pragma once
// What the program remembers between runs, in the user's settings file
// ($XDG_CONFIG_HOME/Quorvane/quorvane.conf): the main window's position, the COM port last
// connected and the addresses last typed into the "Matrix  IP" box. Nothing else: every run still
// starts in COM control mode with no link.

#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>

namespace quorvane::remembered {

inline constexpr int MaxAddresses = 8;

std::optional<QPoint> windowPosition();
void setWindowPosition(QPoint position);

QString lastPort();
void setLastPort(const QString& name);

// Most recent first, at most MaxAddresses, no repeats.
QStringList addresses();
void addAddress(const QString& address);

} // namespace quorvane::remembered
