// The traffic window: opened from the main window, it follows the journal in batches, pauses,
// clears, copies and saves, and keeps no more lines than the journal holds.
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/app/TrafficModel.h"
#include "gui/app/TrafficWindow.h"
#include "serialports/PortNames.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "Eventually.h"
#include "LiteralFrames.h"

#include <gtest/gtest.h>

#include <memory>

using namespace quorvane;

namespace {

TrafficEntry sentFrame(const test::Bytes& bytes, std::int64_t ms = 0) {
    return TrafficEntry{ms, TrafficDirection::Sent, Transport::Serial, bytes};
}

class TrafficWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TrafficJournal journal{4};
    TrafficWindow window{journal, 0};
};

TEST_F(TrafficWindowTest, FollowsTheJournalWithinItsBound) {
    window.show();
    journal.record(sentFrame(test::routeInput3ToOutput2, 1500));
    journal.record(
        TrafficEntry{1600, TrafficDirection::Received, Transport::Tcp, test::ackOutput2});
    WAIT_FOR_EQ(window.model().rowCount(), 2, 2000);
    const QString first = window.model().line(0);
    EXPECT_TRUE(first.endsWith(
        "  TX serial  A5 5B 02 03 03 00 02 00 00 00 00 00 F6  route input 3 to output B"))
        << first.toStdString();
    EXPECT_TRUE(window.model().line(1).endsWith("route to output B acknowledged"));

    // Beyond its bound the oldest lines drop.
    for (int i = 0; i < 5; ++i)
        journal.record(sentFrame(test::beepQuery));
    WAIT_FOR_EQ(window.model().rowCount(), 4, 2000);
    EXPECT_TRUE(window.model().line(0).endsWith("beep state query"));
}

TEST_F(TrafficWindowTest, PauseHoldsTheListAndResumeCatchesUp) {
    journal.record(sentFrame(test::queryOutput1));
    WAIT_FOR_EQ(window.model().rowCount(), 1, 2000);
    window.pauseButton()->click();
    EXPECT_EQ(window.pauseButton()->text(), "Resume");
    // The entry that comes while paused brings a refresh of the list, which keeps it as it was.
    auto* refreshTimer = window.findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(refreshTimer, nullptr);
    QSignalSpy refreshed(refreshTimer, &QTimer::timeout);
    journal.record(sentFrame(test::beepQuery));
    WAIT_FOR(refreshed.count() >= 1, 2000);
    EXPECT_EQ(window.model().rowCount(), 1);
    window.pauseButton()->click();
    EXPECT_EQ(window.model().rowCount(), 2);
    EXPECT_EQ(window.pauseButton()->text(), "Pause");
}

TEST_F(TrafficWindowTest, ClearCopyAndSave) {
    journal.record(sentFrame(test::queryOutput1));
    journal.record(sentFrame(test::beepQuery));
    WAIT_FOR_EQ(window.model().rowCount(), 2, 2000);

    // Copy takes the selection, or every line.
    window.copyButton()->click();
    EXPECT_EQ(QApplication::clipboard()->text().count('\n'), 2);
    window.list()->setCurrentIndex(window.model().index(1));
    window.copyButton()->click();
    EXPECT_TRUE(QApplication::clipboard()->text().endsWith("beep state query\n"));
    EXPECT_EQ(QApplication::clipboard()->text().count('\n'), 1);

    QString error;
    const QString path = dir.filePath("traffic.txt");
    ASSERT_TRUE(window.saveTo(path, error)) << error.toStdString();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = saved.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3); // two lines and the empty rest after the last line break
    EXPECT_TRUE(lines[0].endsWith("which input goes to output A"));
    EXPECT_FALSE(window.saveTo(dir.filePath("no/such/folder/traffic.txt"), error));
    EXPECT_FALSE(error.isEmpty());

    window.clearButton()->click();
    EXPECT_EQ(window.model().rowCount(), 0);
    EXPECT_EQ(journal.size(), 0u);
    journal.record(sentFrame(test::beepQuery));
    WAIT_FOR_EQ(window.model().rowCount(), 1, 2000);
}

TEST(TrafficWindowInProgram, OpensWithItsKeyAndShowsThePagesTraffic) {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    ports::setBuiltInTableEnabled(false);
    auto app = std::make_unique<Application>();
    app->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->mainWindow()));
    EXPECT_EQ(app->state().traffic, &app->traffic());
    QTest::keyClick(&app->mainWindow(), Qt::Key_T, Qt::ControlModifier);
    WAIT_FOR(app->mainWindow().trafficWindow() != nullptr &&
                 app->mainWindow().trafficWindow()->isVisible(),
             2000);
    TrafficWindow* traffic = app->mainWindow().trafficWindow();
    EXPECT_EQ(traffic->accessibleName(), "Traffic");
    EXPECT_EQ(traffic->list()->accessibleName(), "Traffic lines");
    app->traffic().record(sentFrame(test::routeInput3ToOutput2));
    WAIT_FOR_EQ(traffic->model().rowCount(), 1, 2000);
    app.reset();
}

} // namespace
