#pragma once
// The FW Upgrade page: "Open FW File" with its read-only path and open button, the progress bar,
// "Upgrade", the "Messages" log with "Clear", what the loaded file holds, the device-information
// line, and "Merge..." which opens the merge window. Owns the page's serial port, its window timers
// and its logic (FirmwarePage), which the main window drives through the PageHandle seam.

#include "core/firmware/FirmwarePage.h"
#include "gui/app/AppContext.h"
#include "gui/firmware/FirmwareMergeWindow.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace quorvane {

class ImageButton;
class QtTimers;
class UpgradeBackupOffer;
class SerialPort;

class FirmwarePageWidget : public QWidget {
    Q_OBJECT
public:
    // Asks the user for a file to open and returns at once; `chosen` gets the path later, or
    // never when none is chosen.
    using FileChooser =
        std::function<void(const QString& caption, const QString& filter, PathChosen chosen)>;

    // `context` must outlive the page. The logic is created at once (it may open the serial port).
    explicit FirmwarePageWidget(AppContext& context, QWidget* parent = nullptr);
    ~FirmwarePageWidget() override;

    FirmwarePage& page() { return *page_; }
    SerialPort& serialPort() { return *serial_; }
    // Replaces the file-open dialog (tests choose their files here).
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    void chooseFile(const QString& caption, const QString& filter, PathChosen chosen);

    ImageButton* openButton() const { return open_; }
    QPushButton* upgradeButton() const { return upgrade_; }
    QPushButton* mergeButton() const { return mergeButton_; }
    QLineEdit* pathBox() const { return path_; }
    QProgressBar* progressBar() const { return progress_; }
    QPlainTextEdit* messagesBox() const { return messages_; }
    QPlainTextEdit* fileInfoBox() const { return fileInfo_; }
    QLabel* infoLabel() const { return info_; }
    // Opens the merge window (creating it on first use) and returns it.
    FirmwareMergeWindow* showMergeWindow();
    FirmwareMergeWindow* mergeWindow() const { return mergeWindow_; }
    // The offer to save the configuration before an upgrade and set it again after.
    UpgradeBackupOffer* backupOffer() const { return backupOffer_; }

private:
    void buildLogs();
    void openFirmwareFile();
    void render();

    AppContext& context_;
    std::unique_ptr<SerialPort> serial_;
    QtTimers* timers_;
    std::unique_ptr<FirmwarePage> page_;
    FileChooser chooser_;

    QLineEdit* path_ = nullptr;
    ImageButton* open_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* upgrade_ = nullptr;
    QPushButton* mergeButton_ = nullptr;
    QPlainTextEdit* messages_ = nullptr;
    QPushButton* clearMessages_ = nullptr;
    QPlainTextEdit* fileInfo_ = nullptr;
    QLabel* info_ = nullptr;
    UpgradeBackupOffer* backupOffer_ = nullptr;
    QPointer<FirmwareMergeWindow> mergeWindow_;

    // Hidden traffic logs and their hidden "Clear"; the hidden default button empties the sent log.
    QGroupBox* receiveGroup_ = nullptr;
    QGroupBox* sendGroup_ = nullptr;
    QPushButton* clearLogs_ = nullptr;
    QPushButton* defaultAction_ = nullptr;
};

} // namespace quorvane
