#pragma once
// The Matrix page: the eight output groups, the hidden traffic logs and the "Presets..." button
// that opens the presets window. Owns the page's serial port, its window timers and its logic
// (MatrixPage), which the main window drives through the PageHandle seam.

#include "core/routing/MatrixPage.h"
#include "gui/app/AppContext.h"
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

private:
    void buildLogs();
    void render();

    AppContext& context_;
    std::unique_ptr<SerialPort> serial_;
    QtTimers* timers_;
    std::unique_ptr<MatrixPage> page_;
    std::array<OutputGroup*, 8> groups_{};
    QPushButton* presets_;
    QPointer<PresetsWindow> presetsWindow_;

    // Hidden traffic logs: they fill as the page talks but are not shown.
    std::unique_ptr<TrafficLogBoxes> logs_;
    QPushButton* clearLogs_ = nullptr;
    QPushButton* clearReceive_ = nullptr;
};

} // namespace quorvane
