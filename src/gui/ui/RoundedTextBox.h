#pragma once
// A small borderless box with rounded corners that shows one line of white, centred text on a
// semi-transparent black ground: the common body of the message box and the busy box.
//
// The box is a window of its own, transient for its owner, so it can stack over the owner and over
// other boxes. It is window-modal while shown (the owner's window takes no clicks or keys) but it
// never runs an event loop of its own: show() returns at once and events and timers keep flowing.
// Enter, Escape and Space do nothing in it, and the window manager cannot close it; only hide()
// from its controller does.

#include "gui/ui/DialogUnits.h"

#include <QDialog>

class QLabel;

namespace quorvane {

class RoundedTextBox : public QDialog {
    Q_OBJECT
public:
    // Measures in dialog units, except the corner ellipse (pixels) and the opacity (0..255).
    struct Look {
        QSize sizeUnits;
        QRect textUnits;
        int cornerEllipse;
        int opacity;
    };

    RoundedTextBox(const Look& look, QWidget* owner);

    // Shows `text`, resizing the box when the text is wider than its text line.
    void setText(const QString& text);
    QString text() const;
    int opacity() const { return look_.opacity; }
    DialogUnits units() const { return DialogUnits(font()); }

    // Window flags of a box that is placed by the program on X11 and Wayland alike: a frameless
    // tool window where the program may place its own windows, a pop-up relative to the owner on
    // Wayland, where only pop-ups can be placed.
    static Qt::WindowFlags boxWindowFlags();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void relayout();
    QPainterPath outline() const;

    Look look_;
    QLabel* label_;
};

} // namespace quorvane
