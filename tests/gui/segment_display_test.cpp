// The seven-segment read-out: what lights up for which character, and what it refuses.
#include "gui/ui/SegmentDisplay.h"

#include <QAccessible>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvane;

namespace {

QImage rendered(const QString& text, int digits = SegmentDisplay::MaxDigits) {
    SegmentDisplay display;
    display.setDigitCount(digits);
    display.resize(digits * 30, 50);
    EXPECT_TRUE(display.setText(text)) << text.toStdString();
    return display.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool lit(QRgb pixel) {
    return qGreen(pixel) > 128;
}

int litCount(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += lit(image.pixel(x, y)) ? 1 : 0;
    return count;
}

} // namespace

TEST(SegmentDisplay, EightLightsAllSegmentsOneOnlyTwoAllInGreenOnBlack) {
    const QImage eight = rendered(QStringLiteral("8"), 1);
    const QImage one = rendered(QStringLiteral("1"), 1);
    eight.save(QStringLiteral("segment_8.png"));
    one.save(QStringLiteral("segment_1.png"));
    EXPECT_GT(litCount(one), 20);
    // Seven segments against two.
    EXPECT_GT(litCount(eight), litCount(one) * 5 / 2);
    EXPECT_LT(litCount(eight), litCount(one) * 9 / 2);
    for (const QImage* image : {&eight, &one})
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x) {
                const QRgb pixel = image->pixel(x, y);
                ASSERT_EQ(qRed(pixel) | qBlue(pixel), 0) << x << "," << y;
            }
    EXPECT_EQ(eight.pixel(0, 0), qRgb(0, 0, 0));
}

TEST(SegmentDisplay, MinusOneShowsABarLeftOfTheOne) {
    const QImage one = rendered(QStringLiteral("1"));
    const QImage minusOne = rendered(QStringLiteral("-1"));
    minusOne.save(QStringLiteral("segment_minus_1.png"));
    int oneLeft = one.width();
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x)
            if (lit(one.pixel(x, y)))
                oneLeft = std::min(oneLeft, x);
    int extra = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x)
            if (lit(minusOne.pixel(x, y)) && !lit(one.pixel(x, y))) {
                ++extra;
                EXPECT_LT(x, oneLeft);
                // The bar sits in the middle third of the height.
                EXPECT_GT(y, one.height() / 3);
                EXPECT_LT(y, one.height() * 2 / 3);
            }
    EXPECT_GT(extra, 10);
}

TEST(SegmentDisplay, RefusesWhatItCannotShowAndKeepsItsText) {
    SegmentDisplay display;
    EXPECT_TRUE(display.setNumber(-128));
    EXPECT_EQ(display.text(), QStringLiteral("-128"));
    EXPECT_FALSE(display.setNumber(-1280));
    EXPECT_FALSE(display.setText(QStringLiteral("12a")));
    EXPECT_FALSE(display.setText(QStringLiteral("1.5")));
    EXPECT_EQ(display.text(), QStringLiteral("-128"));
    EXPECT_TRUE(display.setText(QStringLiteral("255")));
    EXPECT_TRUE(display.setText(QStringLiteral("0")));

    EXPECT_FALSE(display.setDigitCount(0));
    EXPECT_FALSE(display.setDigitCount(5));
    EXPECT_TRUE(display.setDigitCount(1));
    EXPECT_FALSE(display.setNumber(10));
    EXPECT_EQ(display.text(), QStringLiteral("0"));
}

TEST(SegmentDisplay, ScreenReaderHearsTheOwnersNameAndTheNumberShown) {
    SegmentDisplay display;
    display.setAccessibleName(QStringLiteral("Output A input"));
    display.setNumber(3);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&display);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Output A input"));
    EXPECT_EQ(face->text(QAccessible::Description), QStringLiteral("3"));
    display.setText(QStringLiteral("-1"));
    EXPECT_EQ(face->text(QAccessible::Description), QStringLiteral("-1"));
}
