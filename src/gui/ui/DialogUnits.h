#pragma once
// Dialog units: layout measures that scale with the dialog font. One horizontal unit is a quarter
// of the font's average character width, one vertical unit an eighth of its height, so a box laid
// out in these units keeps its proportions to its text whatever font the desktop uses.

#include <QFont>
#include <QRect>
#include <QSize>

namespace quorvane {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QSize size(int width, int height) const { return {x(width), y(height)}; }
    QRect rect(int left, int top, int width, int height) const {
        return {x(left), y(top), x(width), y(height)};
    }

    int averageCharWidth() const { return charWidth_; }
    int charHeight() const { return charHeight_; }

private:
    int charWidth_;
    int charHeight_;
};

} // namespace quorvane
