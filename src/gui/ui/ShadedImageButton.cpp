#include "gui/ui/ShadedImageButton.h"

#include <QEvent>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <vector>

namespace quorvane {

namespace {
constexpr int StreakCount = 200;
constexpr int StreakMinLength = 3;
constexpr int StreakMaxLength = 10;
// Streak levels stay within this distance of the middle level, so the caption stays readable.
constexpr int StreakSpread = 48;
// Depth of the gradient from the top-left corner (lighter) to the bottom-right one (darker).
constexpr int GradientDepth = 24;
constexpr int MiddleLevel = 128;

QColor mix(const QColor& from, const QColor& to, double amount) {
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * amount),
                            float(from.greenF() + (to.greenF() - from.greenF()) * amount),
                            float(from.blueF() + (to.blueF() - from.blueF()) * amount));
}

// 256 shades: shadow at 0, button face at 128, light at 255.
QList<QRgb> shadeTable(const QPalette& palette) {
    const QColor shadow = palette.color(QPalette::Dark);
    const QColor face = palette.color(QPalette::Button);
    const QColor light = palette.color(QPalette::Light);
    QList<QRgb> table;
    table.reserve(256);
    for (int level = 0; level < 256; ++level) {
        const QColor shade = level <= MiddleLevel ? mix(shadow, face, level / double(MiddleLevel))
                                                  : mix(face, light, (level - MiddleLevel) / 127.0);
        table.append(shade.rgb());
    }
    return table;
}

std::vector<int> streakedLevels(int width, int height, int granularity, quint32 seed) {
    QRandomGenerator random(seed);
    std::vector<int> levels(std::size_t(width) * std::size_t(height), MiddleLevel);
    auto at = [&](int x, int y) -> int& {
        return levels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    };
    for (int i = 0; i < StreakCount; ++i) {
        const int x0 = random.bounded(width);
        const int y0 = random.bounded(height);
        const int length = random.bounded(StreakMinLength, StreakMaxLength + 1);
        const int level = MiddleLevel + random.bounded(-StreakSpread, StreakSpread + 1);
        for (int step = 0; step < length && x0 + step < width && y0 + step < height; ++step)
            at(x0 + step, y0 + step) = level;
    }
    const int span = std::max(1, width + height - 2);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int gradient = GradientDepth - 2 * GradientDepth * (x + y) / span;
            const int noise = granularity > 0 ? random.bounded(-granularity, granularity + 1) : 0;
            at(x, y) = std::clamp(at(x, y) + gradient + noise, 0, 255);
        }
    }
    return levels;
}
} // namespace

ShadedImageButton::ShadedImageButton(QWidget* parent) : ShadedImageButton(QString(), parent) {}

ShadedImageButton::ShadedImageButton(const QString& caption, QWidget* parent)
    : ImageButton(caption, parent) {
    renderTextures();
}

void ShadedImageButton::setShade(int granularity, int highlight, quint32 seed) {
    granularity_ = std::clamp(granularity, 0, 255);
    highlight_ = std::clamp(highlight, 0, 100);
    seed_ = seed;
    renderTextures();
    update();
}

void ShadedImageButton::renderTextures() {
    const int width = std::max(1, this->width());
    const int height = std::max(1, this->height());
    const std::vector<int> levels = streakedLevels(width, height, granularity_, seed_);
    QImage image(width, height, QImage::Format_Indexed8);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            line[x] = uchar(levels[std::size_t(y) * std::size_t(width) + std::size_t(x)]);
    }
    const QList<QRgb> table = shadeTable(palette());
    image.setColorTable(table);
    texture_ = image;

    const QColor highlight = palette().color(QPalette::Highlight);
    QList<QRgb> tinted;
    tinted.reserve(table.size());
    for (const QRgb shade : table)
        tinted.append(mix(QColor(shade), highlight, highlight_ / 100.0).rgb());
    highlighted_ = image.copy();
    highlighted_.setColorTable(tinted);
}

void ShadedImageButton::paintBackground(QPainter& painter, const QRect& area,
                                        const DrawState& state) {
    painter.save();
    painter.setClipRect(area);
    if (state.hovered) {
        const QPoint offset = state.pressed ? QPoint(1, 1) : QPoint(0, 0);
        if (state.pressed)
            painter.fillRect(area, highlighted_.pixel(0, 0));
        painter.drawImage(area.topLeft() + offset, highlighted_, area);
    } else {
        painter.drawImage(area.topLeft(), texture_, area);
    }
    painter.restore();
}

void ShadedImageButton::paintFrame(QPainter& painter, const QRect& area, const DrawState& state) {
    paintThinFrame(painter, area, state.pressed);
}

void ShadedImageButton::resizeEvent(QResizeEvent* event) {
    ImageButton::resizeEvent(event);
    renderTextures();
}

void ShadedImageButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        renderTextures();
    ImageButton::changeEvent(event);
}

} // namespace quorvane
