#include "gui/ui/DialogUnits.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {
// The average is taken over the Latin letters, the usual basis of dialog units; a single "x" or
// the font's own average underestimates captions made of capitals and wide letters.
int alphabetAverageWidth(const QFontMetrics& metrics) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int total = metrics.horizontalAdvance(letters);
    return std::max(1, (total + int(letters.size()) / 2) / int(letters.size()));
}

int scaled(int units, int base, int divisor) {
    return int(std::lround(double(units) * base / divisor));
}
} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    charWidth_ = alphabetAverageWidth(metrics);
    charHeight_ = std::max(1, metrics.height());
}

int DialogUnits::x(int units) const {
    return scaled(units, charWidth_, 4);
}

int DialogUnits::y(int units) const {
    return scaled(units, charHeight_, 8);
}

} // namespace quorvane
