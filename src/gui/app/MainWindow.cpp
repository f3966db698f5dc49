#include "gui/app/MainWindow.h"

#include "gui/app/AboutDialog.h"
#include "gui/app/Remembered.h"
#include "gui/app/TabLabel.h"
#include "gui/app/TrafficWindow.h"
#include "gui/app/WindowColours.h"
#include "gui/device/GeneralPageWidget.h"
#include "gui/edid/EdidPageWidget.h"
#include "gui/firmware/FirmwarePageWidget.h"
#include "gui/routing/MatrixPageWidget.h"
#include "gui/ui/DialogUnits.h"
#include "gui/ui/Icons.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/KeySwallower.h"
#include "gui/ui/WindowAccessible.h"
#include "platform/app/QtTimers.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStackedWidget>
#include <QWindow>

namespace quorvane {

namespace {

// Template of the main window in dialog units, before its width is cut down.
constexpr int TemplateWidth = 580;
constexpr int TemplateHeight = 275;
constexpr int TitleHeight = 16;
constexpr int TabTop = 16;
constexpr int TabHeight = 13;
constexpr int ButtonSize = 16;
// The minimise button sits at 600/1160 of the template's width; the close button follows it, and
// the window ends there.
constexpr int ButtonPlaceNumerator = 600;
constexpr int ButtonPlaceDenominator = 1160;
// Left edges of the four tabs; the last one is 50 wide.
constexpr std::array<int, 5> TabEdges{0, 50, 98, 148, 198};

const char* tabCaption(PageId page) {
    switch (page) {
    case PageId::General:
        return "General";
    case PageId::Edid:
        return "EDID";
    case PageId::Matrix:
        return "Matrix";
    case PageId::Firmware:
        return "FW Upgrade";
    }
    return "";
}

const char* pageButtonCaption(PageId page) {
    switch (page) {
    case PageId::General:
        return "General";
    case PageId::Edid:
        return "Edid";
    case PageId::Matrix:
        return "Matrix";
    case PageId::Firmware:
        return "FW upgrade";
    }
    return "";
}

void paintSolid(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFont titleFont(const QFont& base) {
    QFont font(base);
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPixelSize(15);
    font.setWeight(QFont::Normal);
    return font;
}
} // namespace

MainWindow::MainWindow(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint),
      context_(context) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromLatin1(Title));
    setAccessibleName(QString::fromLatin1(Title));
    setWindowIcon(applicationIcon());
    installWindowAccessible();

    timers_ = new QtTimers(this);
    navigation_ = std::make_unique<Navigation>(context_.state, *timers_, context_.dialogs,
                                               static_cast<NavigationView&>(*this));
    timers_->setHandler([this](int id) { navigation_->onTimer(id); });

    buildTitleBand();
    buildTabRow();
    pages_ = new QStackedWidget(this);
    buildPageButtons();

    general_ = new GeneralPageWidget(context_, this);
    setPage(PageId::General, general_, &general_->page());
    navigation_->setForceComDisconnect([this] {
        if (general_)
            general_->connection().forceComDisconnect();
    });
    // The other pages are built when their tab is first shown (showPage).
    pages_->setCurrentWidget(general_);
    markSelected(PageId::General);

    // Keyboard ways to what a mouse user reaches by clicking (Enter and Space are swallowed).
    for (PageId page : AllPages) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + static_cast<int>(page) - 1)));
        connect(action, &QAction::triggered, this, [this, page] { navigation_->clickTab(page); });
        addAction(action);
    }
    // The window's menu: from the menu button at the left of the title band (a click, Space, or a
    // screen reader's "Press"), a right click on the title band or the tabs, or the keyboard's
    // menu key and Shift+F10 anywhere in the window. It pops up and returns at once.
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("WindowMenu"));
    menu_->setAccessibleName(QStringLiteral("Quorvane menu"));
    auto* about = menu_->addAction(QStringLiteral("About Quorvane..."));
    about->setShortcut(QKeySequence(Qt::Key_F1));
    connect(about, &QAction::triggered, this, &MainWindow::showAbout);
    addAction(about);
    if (context_.traffic != nullptr) {
        auto* traffic = menu_->addAction(QStringLiteral("Traffic..."));
        traffic->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
        connect(traffic, &QAction::triggered, this, &MainWindow::showTraffic);
        addAction(traffic);
    }
    auto* openMenu = new QAction(this);
    // (The menu key itself arrives as a context-menu event, below, where no field takes it.)
    openMenu->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    connect(openMenu, &QAction::triggered, this, [this] { showMenu(); });
    addAction(openMenu);

    sizeFromTemplate();
    centreOnScreen();
    KeySwallower::installOn(this, KeySwallower::Scope::WhileBoxShows);
}

MainWindow::~MainWindow() {
    // Pages go before the navigation that holds their handles.
    for (PageId page : AllPages)
        navigation_->clearPage(page);
}

Timers& MainWindow::timers() {
    return *timers_;
}

void MainWindow::buildTitleBand() {
    titleBand_ = new QWidget(this);
    titleBand_->setObjectName(QStringLiteral("TitleBand"));
    titleBand_->setAccessibleName(QStringLiteral("Title bar"));
    paintSolid(titleBand_, colours::Blue, colours::TitleText);

    // The icon is the menu button, as a window's icon opens its menu.
    menuButton_ = new ImageButton(titleBand_);
    menuButton_->setObjectName(QStringLiteral("MenuButton"));
    menuButton_->setTooltipText(QStringLiteral("Menu"));
    menuButton_->setAccessibleName(QStringLiteral("Menu"));
    menuButton_->setAccessibleDescription(QStringLiteral("About Quorvane, Traffic"));
    menuButton_->setFlat(true);
    menuButton_->setBorderOnHover(false);
    for (int index : {ImageButton::HoverBackground, ImageButton::NormalBackground,
                      ImageButton::FocusBackground})
        menuButton_->setColour(index, colours::Blue);
    menuButton_->setFocusPolicy(Qt::TabFocus);
    connect(menuButton_, &ImageButton::clicked, this, [this] { showMenu(); });
    auto* title = new QLabel(QString::fromLatin1(Title), titleBand_);
    title->setObjectName(QStringLiteral("TitleText"));
    title->setFont(titleFont(font()));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    minimise_ = new ImageButton(titleBand_);
    minimise_->setObjectName(QStringLiteral("MinimiseButton"));
    close_ = new ImageButton(titleBand_);
    close_->setObjectName(QStringLiteral("CloseButton"));
    for (auto* button : {minimise_, close_}) {
        button->setFlat(true);
        button->setBorderOnHover(false);
        for (int index : {ImageButton::HoverBackground, ImageButton::NormalBackground,
                          ImageButton::FocusBackground})
            button->setColour(index, colours::Blue);
        button->setFocusPolicy(Qt::TabFocus);
    }
    minimise_->setTooltipText(QStringLiteral("Minimize"));
    close_->setTooltipText(QStringLiteral("Close"));
    connect(minimise_, &ImageButton::clicked, this, &QWidget::showMinimized);
    connect(close_, &ImageButton::clicked, this, &QWidget::close);
}

void MainWindow::buildTabRow() {
    tabRow_ = new QWidget(this);
    tabRow_->setObjectName(QStringLiteral("TabRow"));
    tabRow_->setAccessibleName(QStringLiteral("Pages"));
    paintSolid(tabRow_, colours::Blue, Qt::white);
    for (PageId page : AllPages) {
        auto* tab =
            new TabLabel(QString::fromLatin1(tabCaption(page)), page != PageId::Firmware, tabRow_);
        tab->setObjectName(QStringLiteral("Tab%1").arg(static_cast<int>(page)));
        // The page changes as the button goes down, not when it comes up again.
        connect(tab, &TabLabel::pressed, this, [this, page] { navigation_->clickTab(page); });
        tabs_[pageSlot(page)] = tab;
    }
}

void MainWindow::buildPageButtons() {
    for (PageId page : AllPages) {
        auto* button = new ImageButton(QString::fromLatin1(pageButtonCaption(page)), this);
        button->setObjectName(QStringLiteral("PageButton%1").arg(static_cast<int>(page)));
        button->setFlat(true);
        button->setBorderOnHover(false);
        button->setColour(ImageButton::HoverBackground, colours::PageButtonHover);
        button->setColour(ImageButton::FocusBackground, colours::SelectedTab);
        button->setAccessibleDescription(QStringLiteral("hidden page button"));
        button->hide();
        connect(button, &ImageButton::clicked, this, [this, page] { navigation_->clickTab(page); });
        pageButtons_[pageSlot(page)] = button;
    }
}

void MainWindow::sizeFromTemplate() {
    const DialogUnits du(font());
    const int templateWidth = du.x(TemplateWidth);
    const int height = du.y(TemplateHeight);
    const int buttonWidth = du.x(ButtonSize);
    const int buttonHeight = du.y(ButtonSize);
    const int buttonsX = ButtonPlaceNumerator * templateWidth / ButtonPlaceDenominator;
    const int width = buttonsX + 2 * buttonWidth;
    const int titleHeight = du.y(TitleHeight);
    const int tabTop = du.y(TabTop);
    const int tabHeight = du.y(TabHeight);

    setFixedSize(width, height);

    titleBand_->setGeometry(0, 0, width, titleHeight);
    menuButton_->setGeometry(0, 0, du.x(16), titleHeight);
    menuButton_->setIcons(iconPixmap(IconId::Application, QSize(titleHeight - 4, titleHeight - 4),
                                     devicePixelRatioF()));
    auto* title = titleBand_->findChild<QLabel*>(QStringLiteral("TitleText"));
    title->setGeometry(du.x(16) + 2, 0, buttonsX - du.x(16) - 2, titleHeight);
    minimise_->setGeometry(buttonsX, 0, buttonWidth, buttonHeight);
    close_->setGeometry(buttonsX + buttonWidth, 0, buttonWidth, buttonHeight);
    const QSize iconSize(buttonWidth - 4, buttonHeight - 4);
    minimise_->setIcons(iconPixmap(IconId::MinimiseHover, iconSize, devicePixelRatioF()),
                        iconPixmap(IconId::Minimise, iconSize, devicePixelRatioF()));
    close_->setIcons(iconPixmap(IconId::CloseHover, iconSize, devicePixelRatioF()),
                     iconPixmap(IconId::Close, iconSize, devicePixelRatioF()));

    tabRow_->setGeometry(0, tabTop, width, tabHeight);
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        const int left = du.x(TabEdges[i]);
        tabs_[i]->setGeometry(left, 0, du.x(TabEdges[i + 1]) - left, tabHeight);
    }

    // Below the tabs, inside the one-pixel frame.
    pages_->setGeometry(1, tabTop + tabHeight, width - 2, height - tabTop - tabHeight - 1);
}

void MainWindow::centreOnScreen() {
    // Where the platform lets a program place its windows (not on Wayland), start where the
    // window was last left, if that is still on a screen, else centred.
    if (const auto position = remembered::windowPosition()) {
        const QRect placed(*position, size());
        for (const QScreen* screen : QGuiApplication::screens()) {
            if (screen->availableGeometry().contains(placed.center())) {
                move(*position);
                return;
            }
        }
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void MainWindow::hideEvent(QHideEvent* event) {
    // Closing (or minimising) the window: remember where it stood for the next run.
    if (!isMinimized())
        remembered::setWindowPosition(pos());
    QWidget::hideEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return; // nothing to clip where nothing is shown
    // Rounded corners: clip the window to a rectangle with 3 x 3 corner ellipses.
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 1.5, 1.5);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void MainWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(colours::Frame);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void MainWindow::setPage(PageId page, QWidget* widget, PageHandle* handle) {
    QWidget*& current = pageWidgets_[pageSlot(page)];
    const bool onShow = current && pages_->currentWidget() == current;
    if (current && current != widget) {
        pages_->removeWidget(current);
        if (current == general_)
            general_ = nullptr;
        current->deleteLater();
    }
    current = widget;
    pages_->addWidget(widget);
    if (onShow)
        pages_->setCurrentWidget(widget);
    if (handle)
        navigation_->setPage(*handle);
    else
        navigation_->clearPage(page);
}

QWidget* MainWindow::pageWidget(PageId page) const {
    return pageWidgets_[pageSlot(page)];
}

QWidget* MainWindow::currentPageWidget() const {
    return pages_->currentWidget();
}

TabLabel* MainWindow::tab(PageId page) const {
    return tabs_[pageSlot(page)];
}

ImageButton* MainWindow::pageButton(PageId page) const {
    return pageButtons_[pageSlot(page)];
}

void MainWindow::markSelected(PageId page) {
    for (PageId each : AllPages) {
        const bool selected = each == page;
        tabs_[pageSlot(each)]->setSelected(selected);
        ImageButton* button = pageButtons_[pageSlot(each)];
        button->setColour(ImageButton::NormalBackground,
                          selected ? colours::SelectedTab : colours::PageButtonIdle);
        button->setColour(ImageButton::NormalText, selected ? QColor(Qt::black) : Qt::white);
    }
}

void MainWindow::showPage(PageId page) {
    if (pageWidgets_[pageSlot(page)] == nullptr)
        buildPage(page);
    if (QWidget* widget = pageWidgets_[pageSlot(page)])
        pages_->setCurrentWidget(widget);
}

void MainWindow::buildPage(PageId page) {
    // The page's logic comes with its widget; its creation may open the page's serial port, which
    // the switch has just taken from the other pages.
    switch (page) {
    case PageId::General:
        return; // built with the window
    case PageId::Edid: {
        auto* edid = new EdidPageWidget(context_);
        setPage(page, edid, &edid->page());
        return;
    }
    case PageId::Matrix: {
        auto* matrix = new MatrixPageWidget(context_);
        setPage(page, matrix, &matrix->page());
        return;
    }
    case PageId::Firmware: {
        auto* firmware = new FirmwarePageWidget(context_);
        setPage(page, firmware, &firmware->page());
        return;
    }
    }
}

void MainWindow::setPageButtonsEnabled(bool enabled) {
    for (ImageButton* button : pageButtons_)
        button->setEnabled(enabled);
}

void MainWindow::showTraffic() {
    if (traffic_ == nullptr) {
        traffic_ = new TrafficWindow(*context_.traffic, context_.clock.nowMs(), this);
        traffic_->followNamesOf(context_.state);
    }
    traffic_->show();
    traffic_->raise();
    traffic_->activateWindow();
}

void MainWindow::showMenu(const QPoint& globalPosition) {
    if (menu_->isVisible())
        return;
    const QPoint where = globalPosition.isNull()
                             ? menuButton_->mapToGlobal(QPoint(0, menuButton_->height()))
                             : globalPosition;
    menu_->popup(where);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    // A right click where no control has a menu of its own, or the keyboard's menu key.
    showMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : QPoint());
    event->accept();
}

void MainWindow::showAbout() {
    auto* dialog = new AboutDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    // Anything outside the tabs and buttons moves the borderless window: hand it to the
    // platform's own move (X11 and Wayland alike), or move by hand where there is none.
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    QWindow* window = windowHandle();
    if (window && window->startSystemMove()) {
        event->accept();
        return;
    }
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - dragOffset_);
    QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

} // namespace quorvane
