#pragma once
// A page's two hidden traffic log boxes, "接收命令" (received) and "发送命令" (sent), each in its
// group and following the page link's logs: only what was added since the last sync is inserted,
// and a log that shrank (it was cleared) clears its box. Created hidden, as the pages keep them.

#include "core/link/PageLink.h"

#include <cstddef>

class QGroupBox;
class QPlainTextEdit;
class QWidget;

namespace quorvane {

class TrafficLogBoxes {
public:
    explicit TrafficLogBoxes(QWidget* parent);

    QGroupBox* receiveGroup() const { return receiveGroup_; }
    QGroupBox* sendGroup() const { return sendGroup_; }
    void sync(const PageLink& link);

private:
    QGroupBox* receiveGroup_;
    QGroupBox* sendGroup_;
    QPlainTextEdit* receiveLog_;
    QPlainTextEdit* sendLog_;
    std::size_t receiveShown_ = 0;
    std::size_t sendShown_ = 0;
};

} // namespace quorvane
