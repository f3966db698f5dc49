#include "gui/ui/Icons.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPointer>
#include <QSvgRenderer>

#include <array>
#include <cstddef>

// The resources live in a static library; referencing their initialiser keeps the linker from
// dropping them and registers them before first use.
static void initialiseIconResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(assets);
        return true;
    }();
    (void)done;
}

namespace quorvane {

QString iconPath(IconId id) {
    switch (id) {
    case IconId::Close:
        return QStringLiteral(":/icons/close.svg");
    case IconId::CloseHover:
        return QStringLiteral(":/icons/close-hover.svg");
    case IconId::Minimise:
        return QStringLiteral(":/icons/minimise.svg");
    case IconId::MinimiseHover:
        return QStringLiteral(":/icons/minimise-hover.svg");
    case IconId::Open:
        return QStringLiteral(":/icons/open.svg");
    case IconId::Save:
        return QStringLiteral(":/icons/save.svg");
    case IconId::ArrowLeft:
        return QStringLiteral(":/icons/arrow-left.svg");
    case IconId::ArrowRight:
        return QStringLiteral(":/icons/arrow-right.svg");
    case IconId::RedDot:
        return QStringLiteral(":/icons/dot-red.svg");
    case IconId::GreenDot:
        return QStringLiteral(":/icons/dot-green.svg");
    case IconId::Application:
        return QStringLiteral(":/icons/app.svg");
    }
    return {};
}

namespace {

// Each drawing is read once and kept for the run: the window draws the application icon in six
// sizes and every output group its two arrows, and reading a drawing cost more than drawing it.
// The renderers belong to the application object and go with it.
QSvgRenderer* rendererFor(IconId id) {
    static std::array<QPointer<QSvgRenderer>, static_cast<std::size_t>(IconId::Application) + 1>
        renderers;
    QPointer<QSvgRenderer>& renderer = renderers.at(static_cast<std::size_t>(id));
    if (renderer.isNull())
        renderer = new QSvgRenderer(iconPath(id), QCoreApplication::instance());
    return renderer.data();
}

} // namespace

QPixmap iconPixmap(IconId id, const QSize& size, qreal devicePixelRatio) {
    initialiseIconResources();
    QSvgRenderer* renderer = rendererFor(id);
    if (!renderer->isValid() || size.isEmpty())
        return {};
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer->render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon applicationIcon() {
    // The window's icon, as the task bar and the window switcher show it. Every size is drawn at
    // start-up and handed to the window system as a copy (on X11 twice over), so the sizes stop
    // at 128: a 256-pixel image alone took more memory (three copies of 256 KB) than all the
    // smaller ones together. Launchers take the larger sizes from the installed icon theme.
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(iconPixmap(IconId::Application, QSize(side, side)));
    return icon;
}

} // namespace quorvane
