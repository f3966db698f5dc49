// The image buttons as drawn on screen: colours, icons by state, hover, press, and what a screen
// reader hears; and the program's icons.
#include "Screenshots.h"
#include "gui/ui/Icons.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/ShadedImageButton.h"

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

using namespace quorvane;

namespace {

const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);
const QColor TitleBlue(30, 144, 225);
const QColor Grey(128, 128, 128);

QPixmap solid(const QColor& colour, int side = 8) {
    QPixmap pixmap(side, side);
    pixmap.fill(colour);
    return pixmap;
}

QImage picture(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Bounding box of the pixels of exactly `colour`.
QRect areaOf(const QImage& image, const QColor& colour) {
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour.rgb())
                found |= QRect(x, y, 1, 1);
    return found;
}

class ButtonOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(200, 100);
        button = new ImageButton(&host);
        button->setGeometry(10, 10, 60, 30);
        // Focus has its own background colour; most cases here are about hover alone.
        button->setFocusPolicy(Qt::NoFocus);
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    }

    void enter(ImageButton* target) {
        const QPointF inside(5, 5);
        QEnterEvent event(inside, inside, target->mapToGlobal(inside));
        QApplication::sendEvent(target, &event);
    }
    void leave(ImageButton* target) {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(target, &event);
    }

    QWidget host;
    ImageButton* button = nullptr;
};

} // namespace

TEST_F(ButtonOnScreen, ColourIndexAboveFiveIsRefusedAndChangesNothing) {
    const QColor before = button->colour(ImageButton::FocusText);
    EXPECT_FALSE(button->setColour(6, Red));
    EXPECT_FALSE(button->setColour(-1, Red));
    for (int index = 0; index < ImageButton::ColourCount; ++index)
        EXPECT_NE(button->colour(index), Red) << index;
    EXPECT_EQ(button->colour(ImageButton::FocusText), before);
    EXPECT_TRUE(button->setColour(5, Red));
    EXPECT_EQ(button->colour(5), Red);
}

TEST_F(ButtonOnScreen, OnlyAHoverIconIsShownInEveryState) {
    button->setIcons(solid(Red));
    EXPECT_FALSE(areaOf(picture(*button), Red).isEmpty()) << "normal";
    enter(button);
    ASSERT_TRUE(button->isHovered());
    EXPECT_FALSE(areaOf(picture(*button), Red).isEmpty()) << "hovered";
    button->setDown(true);
    const QImage pressed = picture(*button);
    testsupport::saveScreenshot(pressed, QStringLiteral("image_button_hover_icon_pressed.png"));
    EXPECT_FALSE(areaOf(pressed, Red).isEmpty()) << "pressed";
}

TEST_F(ButtonOnScreen, NormalIconGivesWayToHoverIconAndBack) {
    button->setIcons(solid(Red), solid(Blue));
    EXPECT_FALSE(areaOf(picture(*button), Blue).isEmpty());
    EXPECT_TRUE(areaOf(picture(*button), Red).isEmpty());
    enter(button);
    EXPECT_FALSE(areaOf(picture(*button), Red).isEmpty());
    leave(button);
    EXPECT_FALSE(areaOf(picture(*button), Blue).isEmpty());

    // The grey normal icon of a red hover icon: 0.299 * 255 = 76.
    button->setIconsWithGreyNormal(solid(Red));
    EXPECT_FALSE(areaOf(picture(*button), QColor(76, 76, 76)).isEmpty());
}

TEST_F(ButtonOnScreen, LeavingRepaintsInNormalColours) {
    button->setBorderOnHover(false);
    button->setColour(ImageButton::HoverBackground, TitleBlue);
    button->setColour(ImageButton::NormalBackground, Grey);
    EXPECT_EQ(picture(*button).pixel(2, 2), Grey.rgb());
    enter(button);
    const QImage hovered = picture(*button);
    testsupport::saveScreenshot(hovered, QStringLiteral("image_button_hovered.png"));
    EXPECT_EQ(hovered.pixel(2, 2), TitleBlue.rgb());
    leave(button);
    EXPECT_FALSE(button->isHovered());
    const QImage left = picture(*button);
    testsupport::saveScreenshot(left, QStringLiteral("image_button_left.png"));
    EXPECT_EQ(left.pixel(2, 2), Grey.rgb());
}

TEST_F(ButtonOnScreen, ADragFromElsewhereDoesNotLightTheButtonUp) {
    const QPointF inside(5, 5);
    QMouseEvent dragging(QEvent::MouseMove, inside, button->mapToGlobal(inside), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &dragging);
    EXPECT_FALSE(button->isHovered());
    QMouseEvent moving(QEvent::MouseMove, inside, button->mapToGlobal(inside), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button, &moving);
    EXPECT_TRUE(button->isHovered());
}

TEST_F(ButtonOnScreen, FocusedButtonUsesTheFocusBackgroundUntilHovered) {
    button->setColour(ImageButton::HoverBackground, TitleBlue);
    button->setColour(ImageButton::NormalBackground, Grey);
    button->setColour(ImageButton::FocusBackground, Blue);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    EXPECT_EQ(picture(*button).pixel(2, 2), Blue.rgb());
    enter(button);
    EXPECT_EQ(picture(*button).pixel(2, 2), TitleBlue.rgb());
}

TEST_F(ButtonOnScreen, RaisedLookTracksNoHoverAndDrawsAFrame) {
    button->setFlat(false);
    button->setColour(ImageButton::HoverBackground, TitleBlue);
    button->setColour(ImageButton::NormalBackground, Grey);
    enter(button);
    EXPECT_FALSE(button->isHovered());
    const QImage raised = picture(*button);
    testsupport::saveScreenshot(raised, QStringLiteral("image_button_raised.png"));
    EXPECT_EQ(raised.pixel(10, 10), Grey.rgb());
    EXPECT_NE(raised.pixel(0, 0), Grey.rgb());
    EXPECT_NE(raised.pixel(button->width() - 1, button->height() - 1), Grey.rgb());
}

TEST_F(ButtonOnScreen, PressingMovesTheIconOnePixelRightAndDown) {
    button->setIcons(solid(Red));
    const QRect up = areaOf(picture(*button), Red);
    button->setDown(true);
    const QRect down = areaOf(picture(*button), Red);
    EXPECT_EQ(up.size(), QSize(8, 8));
    EXPECT_EQ(down.topLeft(), up.topLeft() + QPoint(1, 1));
}

TEST_F(ButtonOnScreen, IconAlignmentPlacesTheIconBesideAboveOrAtTheRightEdge) {
    button->setText(QStringLiteral("Go"));
    button->setIcons(solid(Red));
    EXPECT_FALSE(button->setIconAlignment(3));
    EXPECT_EQ(areaOf(picture(*button), Red).left(), 3);
    ASSERT_TRUE(button->setIconAlignment(ImageButton::IconAtRightEdge));
    EXPECT_EQ(areaOf(picture(*button), Red).right(), button->width() - 1 - 3);
    ASSERT_TRUE(button->setIconAlignment(ImageButton::IconAboveCaption));
    const QRect above = areaOf(picture(*button), Red);
    EXPECT_EQ(above.top(), 3);
    EXPECT_LE(std::abs(above.center().x() - button->width() / 2), 1);
    // Without a caption the icon is centred whatever the alignment.
    button->setText(QString());
    ASSERT_TRUE(button->setIconAlignment(ImageButton::IconAtRightEdge));
    const QRect centred = areaOf(picture(*button), Red);
    EXPECT_LE(std::abs(centred.center().y() - button->height() / 2), 1);
    EXPECT_LE(std::abs(centred.center().x() - button->width() / 2), 1);
}

TEST_F(ButtonOnScreen, DisabledButtonIsDrawnGreyed) {
    button->setText(QStringLiteral("Save"));
    button->setIcons(solid(Red));
    button->setEnabled(false);
    const QImage greyed = picture(*button);
    testsupport::saveScreenshot(greyed, QStringLiteral("image_button_disabled.png"));
    EXPECT_TRUE(areaOf(greyed, Red).isEmpty());
    EXPECT_FALSE(areaOf(greyed, button->palette().color(QPalette::Dark)).isEmpty());
    enter(button);
    EXPECT_FALSE(button->isHovered());
}

TEST(ImageButtonGrey, NonBlackPixelsBecomeTheirGreyLevel) {
    QImage colours(5, 1, QImage::Format_ARGB32);
    colours.setPixel(0, 0, qRgb(255, 0, 0));
    colours.setPixel(1, 0, qRgb(0, 255, 0));
    colours.setPixel(2, 0, qRgb(0, 0, 255));
    colours.setPixel(3, 0, qRgb(0, 0, 0));
    colours.setPixel(4, 0, qRgba(255, 255, 255, 128));
    const QImage grey = ImageButton::greyCopy(colours);
    EXPECT_EQ(grey.pixel(0, 0), qRgb(76, 76, 76));
    EXPECT_EQ(grey.pixel(1, 0), qRgb(150, 150, 150));
    EXPECT_EQ(grey.pixel(2, 0), qRgb(29, 29, 29));
    EXPECT_EQ(grey.pixel(3, 0), qRgb(0, 0, 0));
    EXPECT_EQ(grey.pixel(4, 0), qRgba(255, 255, 255, 128));
}

TEST(ImageButtonAccessibility, NamedByCaptionOrElseByTooltip) {
    ImageButton close;
    close.setTooltipText(QStringLiteral("Close"));
    ImageButton page(QStringLiteral("&Matrix"));
    page.setTooltipText(QStringLiteral("Routing"));
    QAccessibleInterface* closeFace = QAccessible::queryAccessibleInterface(&close);
    QAccessibleInterface* pageFace = QAccessible::queryAccessibleInterface(&page);
    ASSERT_NE(closeFace, nullptr);
    ASSERT_NE(pageFace, nullptr);
    EXPECT_EQ(closeFace->role(), QAccessible::Button);
    EXPECT_EQ(closeFace->text(QAccessible::Name), QStringLiteral("Close"));
    EXPECT_EQ(pageFace->text(QAccessible::Name), QStringLiteral("Matrix"));
    close.setText(QStringLiteral("Exit"));
    EXPECT_EQ(closeFace->text(QAccessible::Name), QStringLiteral("Exit"));
}

TEST(ImageButtonCursor, MissingCursorResourceLeavesNoCursor) {
    ImageButton button;
    EXPECT_FALSE(button.setHoverCursor(QStringLiteral(":/no/such/cursor.png")));
    EXPECT_FALSE(button.testAttribute(Qt::WA_SetCursor));
}

TEST_F(ButtonOnScreen, ShadedButtonShowsATextureAndATintedCopyWhenHovered) {
    auto* save = new ShadedImageButton(QStringLiteral("Save"), &host);
    save->setGeometry(80, 10, 70, 30);
    save->setShade(8, 10);
    save->show();
    ASSERT_EQ(save->texture().size(), save->size());
    const QImage plain = picture(*save);
    testsupport::saveScreenshot(plain, QStringLiteral("shaded_button.png"));
    std::set<QRgb> shades;
    for (int y = 3; y < plain.height() - 3; ++y)
        for (int x = 3; x < plain.width() - 3; ++x)
            shades.insert(plain.pixel(x, y));
    EXPECT_GT(shades.size(), 10u);

    enter(save);
    const QImage hovered = picture(*save);
    testsupport::saveScreenshot(hovered, QStringLiteral("shaded_button_hovered.png"));
    EXPECT_NE(hovered.pixel(10, 10), plain.pixel(10, 10));
    leave(save);
    EXPECT_EQ(picture(*save), plain);

    save->resize(90, 40);
    EXPECT_EQ(save->texture().size(), QSize(90, 40));
}

TEST(Icons, EveryIconIsADrawingOfItsOwn) {
    for (const IconId id :
         {IconId::Close, IconId::CloseHover, IconId::Minimise, IconId::MinimiseHover, IconId::Open,
          IconId::Save, IconId::ArrowLeft, IconId::ArrowRight, IconId::RedDot, IconId::GreenDot,
          IconId::Application}) {
        const QPixmap pixmap = iconPixmap(id, QSize(16, 16));
        ASSERT_FALSE(pixmap.isNull()) << iconPath(id).toStdString();
        const QImage image = pixmap.toImage();
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        EXPECT_GT(opaque, 8) << iconPath(id).toStdString();
        testsupport::saveScreenshot(
            image,
            QStringLiteral("icon_%1.png").arg(iconPath(id).section('/', -1).section('.', 0, 0)));
    }
    // Hover variants are drawings of their own.
    EXPECT_NE(iconPixmap(IconId::Close, QSize(16, 16)).toImage(),
              iconPixmap(IconId::CloseHover, QSize(16, 16)).toImage());
    EXPECT_NE(iconPixmap(IconId::Minimise, QSize(16, 16)).toImage(),
              iconPixmap(IconId::MinimiseHover, QSize(16, 16)).toImage());
    EXPECT_FALSE(applicationIcon().isNull());
    EXPECT_FALSE(applicationIcon().pixmap(48).isNull());
}
