#pragma once
// The Matrix page: the eight output groups, the hidden traffic logs and the "Presets..." button
// that opens the presets window, and "Names..." that opens the names window. Owns the page's
// serial port, its window timers and its logic (MatrixPage), which the main window drives through
// the PageHandle seam, and what is kept about the matrix the link leads to (site::SiteKeeper:
// its names, shown on the groups, and its presets).

#include "core/routing/MatrixPage.h"
#include "core/site/SiteKeeper.h"
#include "gui/app/AppContext.h"
#include "gui/routing/NamesWindow.h"
#include "gui/routing/PresetsWindow.h"
#include "gui/ui/LogBox.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;

namespace quorvane {

class OutputGroup;
class QtTimers;
class SerialPort;

class MatrixPageWidget : public QWidget {
    Q_OBJECT
public:
    // `context` must outlive the page. The logic is created at once (it may open the serial port).
    explicit MatrixPageWidget(AppContext& context, QWidget* parent = nullptr);
    ~MatrixPageWidget() override;

    MatrixPage& page() { return *page_; }
    SerialPort& serialPort() { return *serial_; }
    OutputGroup* outputGroup(int output) const { return groups_.at(output - 1); }
    QPushButton* presetsButton() const { return presets_; }
    // Opens the presets window (creating it on first use) and returns it.
    PresetsWindow* showPresetsWindow();
    PresetsWindow* presetsWindow() const { return presetsWindow_; }
    QPushButton* namesButton() const { return names_; }
    // Opens the names window (creating it on first use) and returns it.
    NamesWindow* showNamesWindow();
    NamesWindow* namesWindow() const { return namesWindow_; }
    site::SiteKeeper& siteKeeper() { return *keeper_; }

private:
    void buildLogs();
    void render();
    void renderNames();

    AppContext& context_;
    std::unique_ptr<SerialPort> serial_;
    QtTimers* timers_;
    std::unique_ptr<MatrixPage> page_;
    std::array<OutputGroup*, 8> groups_{};
    QPushButton* presets_;
    QPointer<PresetsWindow> presetsWindow_;
    QPushButton* names_;
    QPointer<NamesWindow> namesWindow_;
    std::unique_ptr<site::SiteStorage> storage_;
    std::unique_ptr<site::SiteKeeper> keeper_;
    std::string shownKey_;

    // Hidden traffic logs: they fill as the page talks but are not shown.
    std::unique_ptr<TrafficLogBoxes> logs_;
    QPushButton* clearLogs_ = nullptr;
    QPushButton* clearReceive_ = nullptr;
};

} // namespace quorvane
