#include "gui/device/LinkIndicator.h"

#include "gui/ui/Icons.h"

#include <QPainter>

namespace quorvane {

LinkIndicator::LinkIndicator(const QString& linkName, QWidget* parent)
    : QLabel(parent), linkName_(linkName) {
    setFixedSize(sizeHint());
    showState(false);
}

void LinkIndicator::setUp(bool up) {
    if (up != up_)
        showState(up);
}

void LinkIndicator::showState(bool up) {
    up_ = up;
    const QString name =
        linkName_ + (up ? QStringLiteral(" link: up") : QStringLiteral(" link: down"));
    setAccessibleName(name);
    setToolTip(name);
    update();
}

void LinkIndicator::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawPixmap(
        rect(), iconPixmap(up_ ? IconId::GreenDot : IconId::RedDot, size(), devicePixelRatioF()));
}

} // namespace quorvane
