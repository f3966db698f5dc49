#pragma once
// The program's only top-level window: borderless, with its own blue title band ("Quorvane
// Ver6.29"), four page tabs, minimise and close buttons, and the page on show below the tabs. The
// Navigation decides; this widget draws the tabs, shows the page and moves the window.
//
// The General page is built with the window; the EDID, Matrix and FW Upgrade pages (widget and
// logic) when their tab is first shown, and then live until the window closes. setPage() puts a
// page in place by hand (a test's own page, set before its tab is first shown).

#include "core/app/Navigation.h"
#include "gui/app/AppContext.h"

#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QMenu;
class QStackedWidget;

namespace quorvane {

class GeneralPageWidget;
class ImageButton;
class QtTimers;
class TabLabel;
class TrafficWindow;

class MainWindow : public QWidget, private NavigationView {
    Q_OBJECT
public:
    static constexpr const char* Title = "Quorvane Ver6.29";

    explicit MainWindow(AppContext& context, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Puts `widget` in the page area for `page` (the window takes ownership and deletes the widget
    // it replaces) and registers `handle` (may be null) with the navigation. The handle must
    // outlive the window or be replaced first.
    void setPage(PageId page, QWidget* widget, PageHandle* handle);

    Navigation& navigation() { return *navigation_; }
    Timers& timers();
    GeneralPageWidget* generalPage() const { return general_; }
    // Null until the page's tab has been shown (or the page set by hand).
    QWidget* pageWidget(PageId page) const;
    QWidget* currentPageWidget() const;

    // The controls, for tests that click them.
    TabLabel* tab(PageId page) const;
    ImageButton* pageButton(PageId page) const;
    ImageButton* minimiseButton() const { return minimise_; }
    ImageButton* closeButton() const { return close_; }
    QWidget* titleBand() const { return titleBand_; }
    ImageButton* menuButton() const { return menuButton_; }
    // The window's menu ("About Quorvane...", "Traffic...").
    QMenu* menu() const { return menu_; }

public slots:
    void showAbout();
    // Pops the window's menu up at `globalPosition`, or under the menu button when it is null;
    // returns at once.
    void showMenu(const QPoint& globalPosition = QPoint());
    // Opens the traffic window (created on first use), or raises it.
    void showTraffic();
    TrafficWindow* trafficWindow() const { return traffic_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // NavigationView
    void markSelected(PageId page) override;
    void showPage(PageId page) override;
    void setPageButtonsEnabled(bool enabled) override;
    // Builds the widget and logic of `page` and registers its handle.
    void buildPage(PageId page);

    void buildTitleBand();
    void buildTabRow();
    void buildPageButtons();
    void sizeFromTemplate();
    void centreOnScreen();

    AppContext& context_;
    QtTimers* timers_ = nullptr;
    std::unique_ptr<Navigation> navigation_;

    QWidget* titleBand_ = nullptr;
    QWidget* tabRow_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    ImageButton* menuButton_ = nullptr;
    QMenu* menu_ = nullptr;
    ImageButton* minimise_ = nullptr;
    ImageButton* close_ = nullptr;
    std::array<TabLabel*, 4> tabs_{};
    std::array<ImageButton*, 4> pageButtons_{};
    std::array<QWidget*, 4> pageWidgets_{};
    GeneralPageWidget* general_ = nullptr;
    TrafficWindow* traffic_ = nullptr;

    // Dragging by hand where the platform offers no system move.
    bool dragging_ = false;
    QPoint dragOffset_;
};

} // namespace quorvane
