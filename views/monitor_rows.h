// The line monitor's rows: the newest frames in a ring of fixed size, as a
// table model, and their text for the clipboard and for a CSV file.
#ifndef VIEWS_MONITOR_ROWS_H
#define VIEWS_MONITOR_ROWS_H

#include "core/protocol/describe.h"

#include <QAbstractTableModel>
#include <QString>

#include <deque>
#include <vector>

struct MonitorRow {
    long long ms = 0; // since the monitor first opened
    unsigned long long serial = 0; // set by the table: no two rows share one
    qzan::protocol::FrameLine line;
};

// Columns of the table and of the CSV file.
enum { MONITOR_COL_TIME, MONITOR_COL_WAY, MONITOR_COL_COMMAND, MONITOR_COL_DECODED,
       MONITOR_COL_HEX, MONITOR_COL_COUNT };

// Roles beside the display text, for the filter.
enum { MONITOR_CODE_ROLE = Qt::UserRole + 1, MONITOR_KIND_ROLE, MONITOR_SERIAL_ROLE };

class MonitorRows : public QAbstractTableModel {
public:
    static constexpr int kKept = 10000;

    explicit MonitorRows(QObject *parent, int kept = kKept);

    // Appends `rows` in one insertion; the oldest go once more than the
    // ring's size are held. The number of rows dropped.
    int Append(std::vector<MonitorRow> &&rows);
    void Clear();
    const MonitorRow &Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    int Count() const { return static_cast<int>(rows_.size()); }
    int Kept() const { return kept_; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::deque<MonitorRow> rows_;
    int kept_;
    unsigned long long serial_ = 0;
};

// "→ sent" or "← received".
QString WayText(qzan::protocol::Way way);
// The row as one line of text, as qzan --trace prints it.
QString RowText(const MonitorRow &row);
// The CSV heading and one row of it, each ending in CR LF; fields with a
// comma, a quote or a line break are quoted.
QString CsvHeading();
QString CsvRow(const MonitorRow &row);

#endif
