#pragma once
// "Save configuration..." and "Restore configuration..." for the page that shows them: file
// dialogs (opened with open(), never waiting), a progress bar while the matrix is read or set, and
// a window with the read-only list of what was found, what differed and what was changed. The run's
// outcome is shown in the message box as the pages show theirs. The decisions are
// ConfigurationRun's; the file is ConfigurationFile's.

#include "core/link/PageLink.h"
#include "core/site/Configuration.h"
#include "core/site/ConfigurationRun.h"
#include "gui/app/AppContext.h"
#include "gui/ui/FileDialogs.h"

#include <QDialog>
#include <QGroupBox>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace quorvane {

class QtTimers;

class ConfigurationPanel : public QGroupBox {
    Q_OBJECT
public:
    // `link` is the page's link; build the panel after the page's logic, which sets the link's
    // frame handler first.
    ConfigurationPanel(AppContext& context, PageLink& link, QWidget* parent = nullptr);
    ~ConfigurationPanel() override;

    // Tests choose the files instead of a dialog: (caption, save?, chosen).
    using FileChooser = std::function<void(const QString& caption, bool save, PathChosen chosen)>;
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    // Asks for a file to save to (`save`) or to read, through the chooser when one is set.
    void chooseFile(const QString& caption, bool save, PathChosen chosen);

    // Reads the matrix and writes `path`; then runs `then` with whether it was written.
    void saveTo(const QString& path, std::function<void(bool saved)> then = {});
    // Reads `path` and sets the matrix to it (only compares with `dryRun`); a refused file shows
    // why and sends nothing. Then runs `then` with whether the run ended done.
    void restoreFrom(const QString& path, bool dryRun, std::function<void(bool done)> then = {});
    // Sets the matrix to `wanted`.
    void restore(const site::Configuration& wanted, std::function<void(bool done)> then = {});

    bool running() const { return run_->running(); }
    const site::ConfigurationRun& run() const { return *run_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* restoreButton() const { return restore_; }
    QCheckBox* compareOnlyBox() const { return compareOnly_; }
    QProgressBar* progress() const { return progress_; }
    QPlainTextEdit* results() const { return results_; }
    QLabel* status() const { return status_; }
    QDialog* resultsWindow() const { return resultsWindow_; }

private:
    void render();
    void onOutcome(const Outcome& outcome);
    void showResult(const std::string& text, bool asMessage);

    AppContext& context_;
    QtTimers* timers_;
    QtTimers* messageTimers_;
    std::unique_ptr<site::ConfigurationRun> run_;
    FileChooser chooser_;
    QString savePath_;
    // The names of the file being restored, kept for this matrix once the matrix took the rest.
    std::optional<site::MatrixNames> restoredNames_;
    std::function<void(bool)> then_;

    QPushButton* save_;
    QPushButton* restore_;
    QCheckBox* compareOnly_;
    QProgressBar* progress_;
    QPointer<QDialog> resultsWindow_;
    QLabel* status_;
    QPlainTextEdit* results_;
};

} // namespace quorvane
