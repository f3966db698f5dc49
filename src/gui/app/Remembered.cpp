#include "gui/app/Remembered.h"

#include <QSettings>

#include <memory>

namespace quorvane::remembered {

namespace {

std::unique_ptr<QSettings> settings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Quorvane"), QStringLiteral("quorvane"));
}

} // namespace

std::optional<QPoint> windowPosition() {
    const QVariant value = settings()->value(QStringLiteral("window/position"));
    if (!value.canConvert<QPoint>() || value.isNull())
        return std::nullopt;
    return value.toPoint();
}

void setWindowPosition(QPoint position) {
    settings()->setValue(QStringLiteral("window/position"), position);
}

QString lastPort() {
    return settings()->value(QStringLiteral("connection/lastPort")).toString();
}

void setLastPort(const QString& name) {
    settings()->setValue(QStringLiteral("connection/lastPort"), name);
}

QStringList addresses() {
    QStringList list = settings()->value(QStringLiteral("connection/addresses")).toStringList();
    list.removeAll(QString());
    list.removeDuplicates();
    return list.mid(0, MaxAddresses);
}

void addAddress(const QString& address) {
    if (address.isEmpty())
        return;
    QStringList list = addresses();
    list.removeAll(address);
    list.prepend(address);
    settings()->setValue(QStringLiteral("connection/addresses"), list.mid(0, MaxAddresses));
}

} // namespace quorvane::remembered
