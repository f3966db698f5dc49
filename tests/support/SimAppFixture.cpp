#include "SimAppFixture.h"

#include "gui/app/MainWindow.h"
#include "gui/app/MessageDialog.h"
#include "gui/app/QtDialogView.h"
#include "gui/device/GeneralPageWidget.h"
#include "serialports/PortNames.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace quorvane::test {

void SimAppFixture::launch(const QStringList& simArguments) {
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    ports::setBuiltInTableEnabled(false);
    sim = std::make_unique<SimProcess>(simArguments, runtime.path());
    ASSERT_TRUE(sim->ready()) << sim->errorText().toStdString();
    app = std::make_unique<Application>();
}

void SimAppFixture::TearDown() {
    app.reset();
    sim.reset();
}

void SimAppFixture::click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

GeneralPageWidget& SimAppFixture::general() {
    return *app->mainWindow().generalPage();
}

void SimAppFixture::connectCom() {
    ASSERT_TRUE(eventually([&] { return general().portList()->currentText() == "COM1"; }));
    click(general().comConnectButton());
    ASSERT_TRUE(app->state().comLinkOpen);
}

void SimAppFixture::connectTcp(const QString& address) {
    click(general().tcpModeButton());
    QTest::keyClicks(general().ipBox()->lineEdit(), address);
    click(general().tcpConnectButton());
    ASSERT_TRUE(eventually([&] { return app->state().tcpLinkReady; }));
}

bool SimAppFixture::simSaw(const QByteArray& bytes) {
    seen.append(sim->standardError());
    return seen.contains(bytes);
}

QString SimAppFixture::messageOnScreen() {
    MessageDialog* box = app->dialogView().messageDialog();
    return box && box->isVisible() ? box->text() : QString();
}

QString SimAppFixture::accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace quorvane::test
