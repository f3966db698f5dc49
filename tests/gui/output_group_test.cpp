// An output group of the Matrix page as drawn: its previous/next input buttons are raised image
// buttons that do not light up under the mouse.
#include "gui/routing/OutputGroup.h"
#include "gui/ui/ImageButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorvane;

TEST(OutputGroupArrows, AreRaisedThreeDimensionalButtonsWithoutHover) {
    QWidget host;
    auto* group = new OutputGroup(2, &host);
    host.resize(group->sizeHint());
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));

    for (ImageButton* arrow : {group->previousButton(), group->nextButton()}) {
        const QString name = arrow->accessibleName();
        EXPECT_FALSE(arrow->isFlat()) << name.toStdString();
        const QPointF inside(3, 3);
        QEnterEvent enter(inside, inside, arrow->mapToGlobal(inside));
        QApplication::sendEvent(arrow, &enter);
        EXPECT_FALSE(arrow->isHovered()) << name.toStdString();

        // A two-pixel raised frame: light edges top-left, shadow edges bottom-right (the focused
        // button adds a black outline around it, which is not under test here).
        arrow->clearFocus();
        const QImage picture = arrow->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPalette& colours = arrow->palette();
        const int right = picture.width() - 1;
        const int bottom = picture.height() - 1;
        EXPECT_EQ(picture.pixel(0, 0), colours.color(QPalette::Midlight).rgb());
        EXPECT_EQ(picture.pixel(1, 1), colours.color(QPalette::Light).rgb());
        EXPECT_EQ(picture.pixel(right, bottom), colours.color(QPalette::Shadow).rgb());
        EXPECT_EQ(picture.pixel(right - 1, bottom - 1), colours.color(QPalette::Dark).rgb());
    }
}
