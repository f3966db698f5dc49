#pragma once
// Stands in for a page that this version does not offer yet: one centred line saying so.

#include <QWidget>

namespace quorvane {

class PlaceholderPage : public QWidget {
    Q_OBJECT
public:
    // `pageName` as on its tab, for example "EDID".
    explicit PlaceholderPage(const QString& pageName, QWidget* parent = nullptr);

    QString message() const { return message_; }

private:
    QString message_;
};

} // namespace quorvane
