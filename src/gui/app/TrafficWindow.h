#pragma once
// The "Traffic" window: every frame the pages send and receive, with its time, direction, link,
// bytes and the command's name; raw data blocks as one line with their length. Pause stops the
// list from moving (entries are still recorded), Clear forgets them, Copy puts the selected lines
// (or all) on the clipboard, Save writes them to a text file. It shows the program's traffic
// journal, which holds a bounded number of entries.

#include "core/app/LinkState.h"
#include "core/link/TrafficJournal.h"
#include "gui/app/KnownNames.h"

#include <QWidget>

class QListView;
class QLabel;
class QPushButton;
class QTimer;

namespace quorvane {

class TrafficModel;

class TrafficWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 100;

    TrafficWindow(TrafficJournal& journal, std::int64_t clockNowMs, QWidget* parent = nullptr);
    ~TrafficWindow() override;

    QPushButton* pauseButton() const { return pause_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* copyButton() const { return copy_; }
    QPushButton* saveButton() const { return save_; }
    QListView* list() const { return list_; }
    TrafficModel& model() const { return *model_; }
    // The lines name the ports of the matrix `state` leads to, where the user named them.
    void followNamesOf(const LinkState& state);

    // The lines Copy and Save take: the selected ones in order, or every line when none is.
    QStringList chosenLines() const;
    // Writes every line to `path`; false with `error` set when it cannot.
    bool saveTo(const QString& path, QString& error) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void scheduleRefresh();
    void refresh();
    void copyLines();
    void saveLines();
    void clearLines();
    void showSaveError(const QString& text);
    void showCount();

    TrafficJournal& journal_;
    TrafficModel* model_;
    QListView* list_;
    QPushButton* pause_;
    QPushButton* clear_;
    QPushButton* copy_;
    QPushButton* save_;
    QLabel* count_;
    KnownNames knownNames_;
    QTimer* refreshTimer_;
};

} // namespace quorvane
