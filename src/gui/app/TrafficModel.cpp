#include "gui/app/TrafficModel.h"

#include <QDateTime>

#include <algorithm>

namespace quorvane {

TrafficModel::TrafficModel(const TrafficJournal& journal, std::int64_t clockNowMs, QObject* parent)
    : QAbstractListModel(parent), journal_(journal),
      wallMinusClockMs_(QDateTime::currentMSecsSinceEpoch() - clockNowMs),
      shownBegin_(journal.begin()), shownEnd_(journal.begin()) {
    refresh(true);
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shownEnd_ - shownBegin_);
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return line(index.row());
}

QString TrafficModel::line(int row) const {
    const std::uint64_t seq = shownBegin_ + static_cast<std::uint64_t>(row);
    if (row < 0 || seq >= shownEnd_ || seq < journal_.begin() || seq >= journal_.end())
        return {};
    const TrafficEntry& entry = journal_.at(seq);
    const QString time = QDateTime::fromMSecsSinceEpoch(wallMinusClockMs_ + entry.timeMs)
                             .toString(QStringLiteral("HH:mm:ss.zzz"));
    return time + QStringLiteral("  ") + QString::fromStdString(formatTraffic(entry)) +
           (portNames_ ? QString::fromStdString(portNames_(entry)) : QString());
}

void TrafficModel::refresh(bool appendNew) {
    const std::uint64_t first = journal_.begin();
    if (first > shownBegin_ && shownEnd_ > shownBegin_) {
        const std::uint64_t gone = std::min(first, shownEnd_) - shownBegin_;
        beginRemoveRows({}, 0, static_cast<int>(gone) - 1);
        shownBegin_ += gone;
        endRemoveRows();
    }
    if (shownEnd_ == shownBegin_ && shownBegin_ < first)
        shownBegin_ = shownEnd_ = first;
    if (!appendNew || journal_.end() == shownEnd_)
        return;
    beginInsertRows({}, rowCount(), static_cast<int>(journal_.end() - shownBegin_) - 1);
    shownEnd_ = journal_.end();
    endInsertRows();
}

void TrafficModel::reset() {
    beginResetModel();
    shownBegin_ = shownEnd_ = journal_.end();
    endResetModel();
}

} // namespace quorvane
