// What the program remembers between runs: the window's place, the COM port last connected and the
// typed addresses; and what it does not: every run starts in COM mode with no link and an empty
// address box.
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/app/Remembered.h"
#include "gui/device/GeneralPageWidget.h"

#include "Eventually.h"
#include "PtyPair.h"

#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include <unistd.h>

using namespace quorvane;

namespace {

TEST(Remembered, AddressesMostRecentFirstWithoutRepeatsAndBounded) {
    for (int i = 1; i <= 10; ++i)
        remembered::addAddress(QStringLiteral("10.0.0.%1").arg(i));
    remembered::addAddress(QStringLiteral("10.0.0.5"));
    remembered::addAddress(QString());
    const QStringList list = remembered::addresses();
    ASSERT_EQ(list.size(), remembered::MaxAddresses);
    EXPECT_EQ(list.front(), "10.0.0.5");
    EXPECT_EQ(list[1], "10.0.0.10");
    EXPECT_EQ(list.count("10.0.0.5"), 1);
}

TEST(Remembered, TheNextRunStartsWhereTheLastLeftOffButUnconnected) {
    test::PrivateRuntimeDir runtime;
    test::PtyPair first;
    test::PtyPair second;
    const std::string folder = ports::portsFolder();
    ASSERT_FALSE(folder.empty());
    ASSERT_EQ(symlink(first.slavePath().c_str(), (folder + "/COM1").c_str()), 0);
    ASSERT_EQ(symlink(second.slavePath().c_str(), (folder + "/COM2").c_str()), 0);
    remembered::setLastPort(QStringLiteral("COM2"));
    remembered::addAddress(QStringLiteral("127.0.0.9"));

    auto app = std::make_unique<Application>();
    app->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->mainWindow()));
    GeneralPageWidget* general = app->mainWindow().generalPage();
    EXPECT_EQ(general->portList()->currentText(), "COM2");
    EXPECT_EQ(general->ipBox()->currentText(), "");
    ASSERT_NE(general->ipBox()->lineEdit()->completer(), nullptr);
    const QAbstractItemModel* offered = general->ipBox()->lineEdit()->completer()->model();
    EXPECT_EQ(offered->index(0, 0).data().toString(), "127.0.0.9");
    EXPECT_EQ(app->state().controlMode, ControlMode::Com);
    EXPECT_FALSE(app->state().comLinkOpen);

    app->mainWindow().move(40, 30);
    app->mainWindow().hide();
    app.reset();
    app = std::make_unique<Application>();
    EXPECT_EQ(app->mainWindow().pos(), QPoint(40, 30));
}

} // namespace
