#pragma once
// The program's styled push button. It draws itself: a background colour that changes while the
// mouse is over it, an optional icon that may change with the mouse, the caption, and a flat or
// raised (3-D) frame. Clicks reach the owner through the usual clicked() signal.
//
// Six colours by index: 0 background and 1 text while hovered or pressed, 2 background and 3 text
// otherwise, 4 background while focused, 5 focused text (kept for callers; not used in drawing).
// The hover icon is shown while hovered or pressed, and also otherwise when there is no normal
// icon. Hover is tracked in the flat look only. A screen reader reads the button by its caption,
// or by its tooltip when it has no caption.

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPushButton>

#include <array>

namespace quorvane {

class ImageButton : public QPushButton {
    Q_OBJECT
public:
    enum ColourIndex : int {
        HoverBackground = 0,
        HoverText = 1,
        NormalBackground = 2,
        NormalText = 3,
        FocusBackground = 4,
        FocusText = 5,
    };
    static constexpr int ColourCount = 6;

    enum IconAlignment : int {
        IconLeftOfCaption = 0,
        IconAboveCaption = 1,
        IconAtRightEdge = 2,
    };

    explicit ImageButton(QWidget* parent = nullptr);
    explicit ImageButton(const QString& caption, QWidget* parent = nullptr);

    // Replaces both icons; a null `normal` leaves only the hover icon, shown in every state.
    void setIcons(const QPixmap& hover, const QPixmap& normal = QPixmap());
    // The hover icon, and a grey copy of it as the normal icon.
    void setIconsWithGreyNormal(const QPixmap& hover);
    const QPixmap& hoverIcon() const { return hoverIcon_; }
    const QPixmap& normalIcon() const { return normalIcon_; }

    // Sets colour `index` (0..5); any other index is refused and changes nothing.
    bool setColour(int index, const QColor& colour);
    QColor colour(int index) const;

    // The flat look is QPushButton's flat property, on by default; off gives the raised 3-D look.
    void setBorderOnHover(bool border);
    bool borderOnHover() const { return borderOnHover_; }

    // 0 beside the caption on the left, 1 above the caption, 2 at the right edge; others refused.
    bool setIconAlignment(int alignment);
    int iconAlignment() const { return iconAlignment_; }

    void setTooltipText(const QString& text);

    // Cursor shown while the mouse is over the button, read from a resource; a missing or
    // unreadable resource leaves no cursor of the button's own and returns false.
    bool setHoverCursor(const QString& resourcePath);

    bool isHovered() const { return hovered_; }

    QSize sizeHint() const override;

    // Each non-black pixel becomes the grey level 0.299 red + 0.587 green + 0.114 blue (rounded);
    // black and the alpha channel stay as they are.
    static QImage greyCopy(const QImage& image);
    static QPixmap greyCopy(const QPixmap& pixmap);

protected:
    struct DrawState {
        bool hovered = false;
        bool pressed = false;
        bool focused = false;
        bool disabled = false;
    };

    DrawState drawState() const;
    // The ground of the button inside its outer black frame (if any); a variant may paint a
    // texture instead of the plain colour.
    virtual void paintBackground(QPainter& painter, const QRect& area, const DrawState& state);
    virtual void paintFrame(QPainter& painter, const QRect& area, const DrawState& state);
    // One-pixel frame: raised (light top-left, shadow bottom-right) or sunken.
    void paintThinFrame(QPainter& painter, const QRect& area, bool sunken) const;

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void tryHover(Qt::MouseButtons buttons);
    void clearHover();
    const QPixmap& iconFor(const DrawState& state) const;
    void paintContent(QPainter& painter, const QRect& area, const DrawState& state);
    void paintCaption(QPainter& painter, const QRect& area, const DrawState& state);

    std::array<QColor, ColourCount> colours_;
    QPixmap hoverIcon_;
    QPixmap normalIcon_;
    int iconAlignment_ = IconLeftOfCaption;
    bool borderOnHover_ = true;
    bool hovered_ = false;
};

} // namespace quorvane
