#pragma once
// Seven-segment read-out: up to four green characters (digits and minus) on black, right-aligned
// in a fixed number of digit cells, such as "-128", "255" or "3". The owner gives it its accessible
// name (for example "Output A input"); its accessible description is the text shown.

#include <QString>
#include <QWidget>

namespace quorvane {

class SegmentDisplay : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxDigits = 4;

    explicit SegmentDisplay(QWidget* parent = nullptr);

    // Digits, '-' and blanks, at most digitCount() characters; anything else is refused and the
    // display keeps what it showed.
    bool setText(const QString& text);
    // The number in decimal; refused when it needs more than digitCount() characters.
    bool setNumber(int number);
    QString text() const { return text_; }

    // Number of digit cells, 1..MaxDigits (default MaxDigits); a text longer than the new count
    // is cleared.
    bool setDigitCount(int count);
    int digitCount() const { return digitCount_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static QColor segmentColour() { return {0, 255, 0}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintCharacter(QPainter& painter, QChar character, const QRectF& cell) const;

    QString text_;
    int digitCount_ = MaxDigits;
};

} // namespace quorvane
