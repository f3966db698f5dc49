#pragma once
// The EDID page: "Set EDID Mode", "Copy EDID From" and "Open EDID " with their "to" lists and
// "Set" buttons, the summary of the chosen EDID file beside the file field, and the "Input EDID
// List" with its "Status" button. Owns the page's serial port, its window timers and its logic
// (EdidPage), which the main window drives through the PageHandle seam. Renders the logic's state
// and forwards clicks and list choices; it decides nothing.

#include "core/edid/EdidPage.h"
#include "gui/app/AppContext.h"
#include "gui/app/KnownNames.h"
#include "gui/ui/FileDialogs.h"
#include "gui/ui/LogBox.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quorvane {

class ImageButton;
class QtTimers;
class SerialPort;

class EdidPageWidget : public QWidget {
    Q_OBJECT
public:
    // `context` must outlive the page. The logic is created at once (it may open the serial port).
    explicit EdidPageWidget(AppContext& context, QWidget* parent = nullptr);
    ~EdidPageWidget() override;

    EdidPage& page() { return *page_; }

    // Asks for the EDID file to open and returns at once; `chosen` gets the path later, or never
    // on a cancel. The default opens the file dialog (binary files, *.bin and *.BIN) without
    // waiting for it; tests put their own in.
    using FileChooser = std::function<void(QWidget* parent, PathChosen chosen)>;
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    // The controls, for tests that click them.
    QComboBox* modeList() const { return modeList_; }
    QComboBox* setTargetList() const { return setTargetList_; }
    QComboBox* copySourceList() const { return copySourceList_; }
    QComboBox* copyTargetList() const { return copyTargetList_; }
    QComboBox* downloadTargetList() const { return downloadTargetList_; }
    QPushButton* setButton() const { return setButton_; }
    QPushButton* copyButton() const { return copyButton_; }
    QPushButton* downloadButton() const { return downloadButton_; }
    QPushButton* statusButton() const { return statusButton_; }
    ImageButton* openButton() const { return openButton_; }
    QLineEdit* fileField() const { return fileField_; }
    QPlainTextEdit* summaryBox() const { return summary_; }
    QLabel* nameLabel(int input) const { return names_.at(input - 1); }

private:
    QGroupBox* buildSetGroup();
    QGroupBox* buildCopyGroup();
    QGroupBox* buildFileGroup();
    QGroupBox* buildListGroup();
    void buildLogs();
    void openFile();
    void render();
    // The names of the inputs and outputs beside the lists' entries ("IN3 Blu-ray").
    void renderNames();

    AppContext& context_;
    std::unique_ptr<SerialPort> serial_;
    QtTimers* timers_;
    std::unique_ptr<EdidPage> page_;
    FileChooser chooser_;

    QComboBox* modeList_ = nullptr;
    QComboBox* setTargetList_ = nullptr;
    QComboBox* copySourceList_ = nullptr;
    QComboBox* copyTargetList_ = nullptr;
    QComboBox* downloadTargetList_ = nullptr;
    QPushButton* setButton_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    QPushButton* downloadButton_ = nullptr;
    QPushButton* statusButton_ = nullptr;
    ImageButton* openButton_ = nullptr;
    QLineEdit* fileField_ = nullptr;
    QPlainTextEdit* summary_ = nullptr;
    std::array<QLabel*, 8> names_{};

    // Hidden traffic logs: they fill as the page talks but are not shown.
    std::unique_ptr<TrafficLogBoxes> logs_;
    KnownNames knownNames_;
};

} // namespace quorvane
