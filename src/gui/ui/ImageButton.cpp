#include "gui/ui/ImageButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEnterEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOption>

#include <cmath>

namespace quorvane {

namespace {
// Space between an icon and the button's edge or its caption.
constexpr int IconMargin = 3;
// Inset of the focus rectangle from the button's edge, 3-D look.
constexpr int FocusInset = 3;

QString captionWithoutMnemonic(QString caption) {
    caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return caption.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// Screen readers see an image button as a push button named by its caption or, for an icon-only
// button, by its tooltip.
class ImageButtonAccessible : public QAccessibleWidget {
public:
    explicit ImageButtonAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Button) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            const QString caption = captionWithoutMnemonic(button()->text());
            return caption.isEmpty() ? button()->toolTip() : caption;
        }
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = button()->isDown();
        state.checkable = button()->isCheckable();
        state.checked = button()->isChecked();
        state.defaultButton = static_cast<QPushButton*>(widget())->isDefault();
        return state;
    }

    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == pressAction() && widget()->isEnabled())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* imageButtonAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(ImageButton::staticMetaObject.className()) &&
        object->isWidgetType())
        return new ImageButtonAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

void installAccessibleFactoryOnce() {
    static const bool installed = [] {
        QAccessible::installFactory(imageButtonAccessibleFactory);
        return true;
    }();
    (void)installed;
}

void drawBevel(QPainter& painter, const QRect& r, const QColor& topLeft,
               const QColor& bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}
} // namespace

ImageButton::ImageButton(QWidget* parent) : ImageButton(QString(), parent) {}

ImageButton::ImageButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    installAccessibleFactoryOnce();
    const QColor face = palette().color(QPalette::Button);
    const QColor text = palette().color(QPalette::ButtonText);
    colours_ = {face, text, face, text, face, text};
    setFlat(true);
    // Moves without a button held must reach the button so hover can start after a drag ends.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageButton::setIcons(const QPixmap& hover, const QPixmap& normal) {
    hoverIcon_ = hover;
    normalIcon_ = normal;
    updateGeometry();
    update();
}

void ImageButton::setIconsWithGreyNormal(const QPixmap& hover) {
    setIcons(hover, greyCopy(hover));
}

bool ImageButton::setColour(int index, const QColor& colour) {
    if (index < 0 || index >= ColourCount)
        return false;
    colours_[std::size_t(index)] = colour;
    update();
    return true;
}

QColor ImageButton::colour(int index) const {
    if (index < 0 || index >= ColourCount)
        return {};
    return colours_[std::size_t(index)];
}

void ImageButton::setBorderOnHover(bool border) {
    borderOnHover_ = border;
    update();
}

bool ImageButton::setIconAlignment(int alignment) {
    if (alignment < IconLeftOfCaption || alignment > IconAtRightEdge)
        return false;
    iconAlignment_ = alignment;
    update();
    return true;
}

void ImageButton::setTooltipText(const QString& text) {
    setToolTip(text);
}

bool ImageButton::setHoverCursor(const QString& resourcePath) {
    const QPixmap image(resourcePath);
    if (image.isNull()) {
        unsetCursor();
        return false;
    }
    setCursor(QCursor(image));
    return true;
}

QSize ImageButton::sizeHint() const {
    const QSize icon = hoverIcon_.isNull() ? QSize() : hoverIcon_.deviceIndependentSize().toSize();
    const QSize caption =
        text().isEmpty() ? QSize() : fontMetrics().size(Qt::TextShowMnemonic, text());
    int width = icon.width() + caption.width() + 2 * IconMargin;
    int height = std::max(icon.height(), caption.height()) + 2 * IconMargin;
    if (iconAlignment_ == IconAboveCaption) {
        width = std::max(icon.width(), caption.width()) + 2 * IconMargin;
        height = icon.height() + caption.height() + 3 * IconMargin;
    } else if (!icon.isEmpty() && !caption.isEmpty()) {
        width += IconMargin;
    }
    return QSize(width + 4, height + 4).expandedTo(QSize(16, 16));
}

QImage ImageButton::greyCopy(const QImage& image) {
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb pixel = line[x];
            if ((pixel & 0x00ffffffu) == 0)
                continue;
            const int level = int(
                std::lround(0.299 * qRed(pixel) + 0.587 * qGreen(pixel) + 0.114 * qBlue(pixel)));
            line[x] = qRgba(level, level, level, qAlpha(pixel));
        }
    }
    return grey;
}

QPixmap ImageButton::greyCopy(const QPixmap& pixmap) {
    if (pixmap.isNull())
        return {};
    QPixmap grey = QPixmap::fromImage(greyCopy(pixmap.toImage()));
    grey.setDevicePixelRatio(pixmap.devicePixelRatio());
    return grey;
}

ImageButton::DrawState ImageButton::drawState() const {
    DrawState state;
    state.hovered = hovered_;
    state.pressed = isDown() || (isCheckable() && isChecked());
    state.focused = hasFocus();
    state.disabled = !isEnabled();
    return state;
}

void ImageButton::tryHover(Qt::MouseButtons buttons) {
    if (hovered_ || !isFlat() || !isEnabled())
        return;
    // A drag that started elsewhere does not light the button up, nor does a program in the
    // background.
    if ((buttons & Qt::LeftButton) || QApplication::activeWindow() == nullptr)
        return;
    hovered_ = true;
    update();
}

void ImageButton::clearHover() {
    if (!hovered_)
        return;
    hovered_ = false;
    update();
}

void ImageButton::enterEvent(QEnterEvent* event) {
    tryHover(QApplication::mouseButtons());
    QPushButton::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent* event) {
    clearHover();
    QPushButton::leaveEvent(event);
}

void ImageButton::mouseMoveEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint()))
        tryHover(event->buttons());
    QPushButton::mouseMoveEvent(event);
}

void ImageButton::focusOutEvent(QFocusEvent* event) {
    clearHover();
    QPushButton::focusOutEvent(event);
}

void ImageButton::hideEvent(QHideEvent* event) {
    clearHover();
    QPushButton::hideEvent(event);
}

void ImageButton::changeEvent(QEvent* event) {
    if ((event->type() == QEvent::ActivationChange && !isActiveWindow()) ||
        (event->type() == QEvent::EnabledChange && !isEnabled()))
        clearHover();
    QPushButton::changeEvent(event);
}

void ImageButton::paintBackground(QPainter& painter, const QRect& area, const DrawState& state) {
    QColor ground = colours_[NormalBackground];
    if (state.hovered || state.pressed)
        ground = colours_[HoverBackground];
    else if (state.focused)
        ground = colours_[FocusBackground];
    painter.fillRect(area, ground);
}

void ImageButton::paintThinFrame(QPainter& painter, const QRect& area, bool sunken) const {
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const QRect& r = area;
    if (sunken)
        drawBevel(painter, r, shadow, light);
    else
        drawBevel(painter, r, light, shadow);
}

void ImageButton::paintFrame(QPainter& painter, const QRect& area, const DrawState& state) {
    const QRect& r = area;
    if (!isFlat()) {
        if (state.pressed) {
            painter.setPen(palette().color(QPalette::Dark));
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        } else {
            drawBevel(painter, r, palette().color(QPalette::Midlight),
                      palette().color(QPalette::Shadow));
            drawBevel(painter, r.adjusted(1, 1, -1, -1), palette().color(QPalette::Light),
                      palette().color(QPalette::Dark));
        }
        return;
    }
    if (borderOnHover_ && (state.hovered || state.pressed))
        paintThinFrame(painter, area, state.pressed);
}

const QPixmap& ImageButton::iconFor(const DrawState& state) const {
    if (!state.hovered && !state.pressed && !normalIcon_.isNull())
        return normalIcon_;
    return hoverIcon_;
}

void ImageButton::paintContent(QPainter& painter, const QRect& area, const DrawState& state) {
    const QPixmap& icon = iconFor(state);
    const QPoint pressOffset = state.pressed ? QPoint(1, 1) : QPoint(0, 0);
    QRect captionArea = area;
    if (!icon.isNull()) {
        const QSize size = icon.deviceIndependentSize().toSize();
        QRect place(QPoint(), size);
        place.moveCenter(area.center());
        if (!text().isEmpty()) {
            switch (iconAlignment_) {
            case IconAboveCaption:
                place.moveTop(area.top() + IconMargin);
                captionArea.setTop(place.bottom() + 1);
                break;
            case IconAtRightEdge:
                place.moveRight(area.right() - IconMargin);
                captionArea.setRight(place.left() - 1);
                break;
            default:
                place.moveLeft(area.left() + IconMargin);
                captionArea.setLeft(place.right() + 1);
                break;
            }
        }
        if (state.disabled) {
            QStyleOption option;
            option.initFrom(this);
            painter.drawPixmap(place.topLeft() + pressOffset,
                               style()->generatedIconPixmap(QIcon::Disabled, icon, &option));
        } else {
            painter.drawPixmap(place.topLeft() + pressOffset, icon);
        }
    }
    paintCaption(painter, captionArea.translated(pressOffset), state);
}

void ImageButton::paintCaption(QPainter& painter, const QRect& area, const DrawState& state) {
    if (text().isEmpty())
        return;
    const int flags = Qt::AlignCenter | Qt::TextShowMnemonic;
    painter.setFont(font());
    if (state.disabled) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(area.translated(1, 1), flags, text());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawText(area, flags, text());
        return;
    }
    painter.setPen(state.hovered || state.pressed ? colours_[HoverText] : colours_[NormalText]);
    painter.drawText(area, flags, text());
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const DrawState state = drawState();
    QRect area = rect();
    if (!isFlat() && (state.focused || isDefault())) {
        painter.setPen(Qt::black);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        area.adjust(1, 1, -1, -1);
    }
    paintBackground(painter, area, state);
    paintFrame(painter, area, state);
    paintContent(painter, area, state);
    if (!isFlat() && state.focused && !state.disabled) {
        QPen dotted(palette().color(QPalette::ButtonText), 1, Qt::DotLine);
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(FocusInset, FocusInset, -FocusInset - 1, -FocusInset - 1));
    }
}

} // namespace quorvane
