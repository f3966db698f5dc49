#include "gui/ui/RoundedTextBox.h"

#include "gui/ui/KeySwallower.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace quorvane {

namespace {
// Room left between the text and the ends of its line when the box widens for a long text.
constexpr int TextPadding = 4;
} // namespace

Qt::WindowFlags RoundedTextBox::boxWindowFlags() {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return Qt::ToolTip | Qt::FramelessWindowHint;
    return Qt::Tool | Qt::FramelessWindowHint;
}

RoundedTextBox::RoundedTextBox(const Look& look, QWidget* owner)
    : QDialog(owner, boxWindowFlags()), look_(look), label_(new QLabel(this)) {
    // Painted translucency: the window manager is asked for nothing. Without a compositor the
    // transparent black is shown as plain black and the mask below still rounds the corners.
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowModality(Qt::WindowModal);

    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label_->setPalette(palette);
    label_->setAlignment(Qt::AlignCenter);
    label_->setAutoFillBackground(false);

    KeySwallower::installOn(this);
    relayout();
}

void RoundedTextBox::setText(const QString& text) {
    label_->setText(text);
    // A screen reader reads the box by its text.
    setAccessibleName(text);
    setAccessibleDescription(text);
    label_->setAccessibleName(text);
    relayout();
    update();
}

QString RoundedTextBox::text() const {
    return label_->text();
}

void RoundedTextBox::relayout() {
    const DialogUnits du = units();
    QSize box = du.size(look_.sizeUnits.width(), look_.sizeUnits.height());
    QRect textRect = du.rect(look_.textUnits.x(), look_.textUnits.y(), look_.textUnits.width(),
                             look_.textUnits.height());
    // A text wider than its line widens the box rather than being cut off.
    const int needed = label_->fontMetrics().horizontalAdvance(label_->text()) + TextPadding;
    const int extra = std::max(0, needed - textRect.width());
    box.rwidth() += extra;
    textRect.setWidth(textRect.width() + extra);
    textRect.setHeight(std::max(textRect.height(), label_->fontMetrics().height()));
    label_->setGeometry(textRect);
    setFixedSize(box);
}

QPainterPath RoundedTextBox::outline() const {
    QPainterPath path;
    const qreal radius = look_.cornerEllipse / 2.0;
    path.addRoundedRect(QRectF(rect()), radius, radius);
    return path;
}

void RoundedTextBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.fillPath(outline(), QColor(0, 0, 0, look_.opacity));
}

void RoundedTextBox::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // The shape also clips the corners where the window system cannot show transparency.
    QBitmap shape(size());
    shape.fill(Qt::color0);
    QPainter painter(&shape);
    painter.fillPath(outline(), Qt::color1);
    painter.end();
    // The off-screen platform of the tests has no window shapes.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        setMask(shape);
}

void RoundedTextBox::closeEvent(QCloseEvent* event) {
    // Only the controller closes the box (by hiding it); a close request from the window system
    // would leave the program believing the box is still up.
    if (event->spontaneous())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

} // namespace quorvane
