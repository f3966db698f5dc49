#pragma once
// The traffic journal as a list of text lines for a view: one row per entry, "time  TX serial
// A5 5B ..  name". Rows are appended in batches (refresh()), never one by one as frames arrive, so
// a busy link costs the view one update per batch; rows whose entries have dropped out of the
// journal are removed at the same time. Lines are made when the view asks for them, so the model
// holds no text of its own.

#include "core/link/TrafficJournal.h"

#include <QAbstractListModel>

#include <cstdint>
#include <functional>
#include <string>

namespace quorvane {

class TrafficModel : public QAbstractListModel {
    Q_OBJECT
public:
    // `clockNowMs` is the link clock's reading now; with the wall time now it turns the entries'
    // clock times into times of day.
    TrafficModel(const TrafficJournal& journal, std::int64_t clockNowMs, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Drops rows that left the journal and, unless `appendNew` is false (paused), shows the new
    // entries.
    void refresh(bool appendNew);
    // After the journal was cleared: no rows.
    void reset();

    QString line(int row) const;

    // Adds to each line the names of the ports its frame is about (" [input 3 Blu-ray]"); none
    // when not set or it answers "".
    void setPortNames(std::function<std::string(const TrafficEntry&)> portNames) {
        portNames_ = std::move(portNames);
    }

private:
    const TrafficJournal& journal_;
    std::int64_t wallMinusClockMs_;
    std::uint64_t shownBegin_;
    std::uint64_t shownEnd_;
    std::function<std::string(const TrafficEntry&)> portNames_;
};

} // namespace quorvane
