#include "gui/ui/LogBox.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

#include <string>

namespace quorvane {

namespace {

QPlainTextEdit* logBox(QGroupBox* group, const char* accessibleName) {
    auto* box = new QPlainTextEdit(group);
    box->setReadOnly(true);
    box->setAccessibleName(QString::fromLatin1(accessibleName));
    (new QVBoxLayout(group))->addWidget(box);
    return box;
}

void follow(const std::string& text, std::size_t& shown, QPlainTextEdit* box) {
    if (text.size() < shown) {
        box->clear();
        shown = 0;
    }
    if (text.size() == shown)
        return;
    QString added = QString::fromStdString(text.substr(shown));
    added.remove(QLatin1Char('\r'));
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(added);
    shown = text.size();
}

} // namespace

TrafficLogBoxes::TrafficLogBoxes(QWidget* parent)
    : receiveGroup_(new QGroupBox(QStringLiteral("接收命令"), parent)),
      sendGroup_(new QGroupBox(QStringLiteral("发送命令"), parent)),
      receiveLog_(logBox(receiveGroup_, "Received commands")),
      sendLog_(logBox(sendGroup_, "Sent commands")) {
    receiveGroup_->hide();
    sendGroup_->hide();
}

void TrafficLogBoxes::sync(const PageLink& link) {
    follow(link.receiveLog().text(), receiveShown_, receiveLog_);
    follow(link.sendLog().text(), sendShown_, sendLog_);
}

} // namespace quorvane
