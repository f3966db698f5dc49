#include "gui/ui/SegmentDisplay.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>

namespace quorvane {

namespace {
// Segment bits: a top, b upper right, c lower right, d bottom, e lower left, f upper left, g
// middle.
enum Segment : unsigned { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

constexpr std::array<unsigned, 10> DigitSegments = {
    A | B | C | D | E | F,     // 0
    B | C,                     // 1
    A | B | D | E | G,         // 2
    A | B | C | D | G,         // 3
    B | C | F | G,             // 4
    A | C | D | F | G,         // 5
    A | C | D | E | F | G,     // 6
    A | B | C,                 // 7
    A | B | C | D | E | F | G, // 8
    A | B | C | D | F | G,     // 9
};

unsigned segmentsOf(QChar character) {
    if (character.isDigit())
        return DigitSegments[std::size_t(character.digitValue())];
    if (character == QLatin1Char('-'))
        return G;
    return 0;
}

bool isShowable(QChar character) {
    return (character >= QLatin1Char('0') && character <= QLatin1Char('9')) ||
           character == QLatin1Char('-') || character == QLatin1Char(' ');
}

// A bar with pointed ends from `from` to `to` (horizontal or vertical), `thickness` wide.
QPolygonF bar(QPointF from, QPointF to, qreal thickness) {
    const qreal half = thickness / 2;
    if (from.y() == to.y()) {
        return QPolygonF({from,
                          {from.x() + half, from.y() - half},
                          {to.x() - half, to.y() - half},
                          to,
                          {to.x() - half, to.y() + half},
                          {from.x() + half, from.y() + half}});
    }
    return QPolygonF({from,
                      {from.x() + half, from.y() + half},
                      {to.x() + half, to.y() - half},
                      to,
                      {to.x() - half, to.y() - half},
                      {from.x() - half, from.y() + half}});
}

// Width of a digit cell as a share of its height.
constexpr qreal CellAspect = 0.6;
} // namespace

SegmentDisplay::SegmentDisplay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleDescription(text_);
}

bool SegmentDisplay::setText(const QString& text) {
    if (text.size() > digitCount_ || !std::all_of(text.begin(), text.end(), isShowable))
        return false;
    if (text == text_)
        return true;
    text_ = text;
    setAccessibleDescription(text_.trimmed());
    update();
    return true;
}

bool SegmentDisplay::setNumber(int number) {
    return setText(QString::number(number));
}

bool SegmentDisplay::setDigitCount(int count) {
    if (count < 1 || count > MaxDigits)
        return false;
    digitCount_ = count;
    if (text_.size() > count) {
        text_.clear();
        setAccessibleDescription(text_);
    }
    updateGeometry();
    update();
    return true;
}

QSize SegmentDisplay::sizeHint() const {
    return {digitCount_ * 18 + 4, 34};
}

QSize SegmentDisplay::minimumSizeHint() const {
    return {digitCount_ * 8 + 4, 14};
}

void SegmentDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(segmentColour());

    const qreal margin = 2;
    const QRectF inner = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
    const qreal cellWidth = std::min(inner.width() / digitCount_, inner.height() * CellAspect);
    const qreal blockWidth = cellWidth * digitCount_;
    const qreal left = inner.left() + (inner.width() - blockWidth) / 2;
    // Characters sit in the right-most cells.
    const int firstCell = digitCount_ - int(text_.size());
    for (int i = 0; i < int(text_.size()); ++i) {
        const QRectF cell(left + (firstCell + i) * cellWidth, inner.top(), cellWidth,
                          inner.height());
        paintCharacter(painter, text_.at(i), cell);
    }
}

void SegmentDisplay::paintCharacter(QPainter& painter, QChar character, const QRectF& cell) const {
    const unsigned segments = segmentsOf(character);
    if (segments == 0)
        return;
    const qreal width = cell.width() * 0.78;
    const qreal height = std::min(cell.height(), width / CellAspect * 1.1);
    const qreal thickness = std::max(2.0, width / 5.5);
    const qreal gap = thickness / 5;
    const qreal x0 = cell.center().x() - width / 2 + thickness / 2;
    const qreal x1 = x0 + width - thickness;
    const qreal y0 = cell.center().y() - height / 2 + thickness / 2;
    const qreal y2 = y0 + height - thickness;
    const qreal y1 = (y0 + y2) / 2;

    auto horizontal = [&](qreal y) { return bar({x0 + gap, y}, {x1 - gap, y}, thickness); };
    auto vertical = [&](qreal x, qreal top, qreal bottom) {
        return bar({x, top + gap}, {x, bottom - gap}, thickness);
    };
    if (segments & A)
        painter.drawPolygon(horizontal(y0));
    if (segments & G)
        painter.drawPolygon(horizontal(y1));
    if (segments & D)
        painter.drawPolygon(horizontal(y2));
    if (segments & F)
        painter.drawPolygon(vertical(x0, y0, y1));
    if (segments & B)
        painter.drawPolygon(vertical(x1, y0, y1));
    if (segments & E)
        painter.drawPolygon(vertical(x0, y1, y2));
    if (segments & C)
        painter.drawPolygon(vertical(x1, y1, y2));
}

} // namespace quorvane
