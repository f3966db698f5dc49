#pragma once
// The program's own icons, drawn as small SVG images in the resources (assets/icons).

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace quorvane {

enum class IconId {
    Close,         // white X for the blue title band
    CloseHover,    // the same X on a red square
    Minimise,      // white bar for the blue title band
    MinimiseHover, // the same bar on a light blue square
    Open,          // a folder
    Save,          // a disk
    ArrowLeft,     // black triangle pointing left (routing page)
    ArrowRight,    // black triangle pointing right (routing page)
    RedDot,        // link down
    GreenDot,      // link up
    Application,   // 8 x 8 grid with one lit cell per column
};

// Resource path of the icon's drawing, for example ":/icons/close.svg".
QString iconPath(IconId id);

// The icon drawn at `size` logical pixels for a screen of the given pixel ratio; a null pixmap if
// the drawing cannot be read.
QPixmap iconPixmap(IconId id, const QSize& size, qreal devicePixelRatio = 1.0);

// The application icon at the usual window and task bar sizes.
QIcon applicationIcon();

} // namespace quorvane
