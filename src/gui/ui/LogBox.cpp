#include "ui/LogBox.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace quorvane {

void syncLogBox(const std::string& text, std::size_t& shown, QPlainTextEdit* box) {
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

} // namespace quorvane
