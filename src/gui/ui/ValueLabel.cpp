#include "gui/ui/ValueLabel.h"

#include <QLabel>

namespace quorvane {

QString valueName(const QString& caption, const QString& value) {
    const QString shown = value.trimmed();
    return shown.isEmpty() ? caption : caption + QStringLiteral(": ") + shown;
}

void showValue(QLabel* label, const QString& caption, const QString& value) {
    if (label->text() != value)
        label->setText(value);
    const QString name = valueName(caption, value);
    if (label->accessibleName() != name)
        label->setAccessibleName(name);
}

} // namespace quorvane
