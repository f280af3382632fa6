// The ring of the line monitor's rows and their texts.
#include "views/monitor_rows.h"

namespace pr = qzan::protocol;

namespace {

// The table shows no more of a long text than a wide column can hold: laying
// out a data block's whole hex for every repaint would cost more than all
// the rest of the window. The tooltip, a copy and the CSV file hold it whole.
constexpr std::size_t kShownDecoded = 200, kShownHex = 120;

QString Shown(const std::string &text, std::size_t limit, int role)
{
    if (role == Qt::ToolTipRole || text.size() <= limit)
        return QString::fromStdString(text);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(limit)) + QChar(0x2026);
}

} // namespace

MonitorRows::MonitorRows(QObject *parent, int kept)
    : QAbstractTableModel(parent), kept_(kept > 0 ? kept : 1)
{
}

int MonitorRows::Append(std::vector<MonitorRow> &&rows)
{
    if (rows.empty())
        return 0;
    int dropped = 0;
    // Only the newest of a batch larger than the ring can stay.
    if (static_cast<int>(rows.size()) > kept_) {
        dropped = static_cast<int>(rows.size()) - kept_;
        rows.erase(rows.begin(), rows.begin() + dropped);
    }
    const int excess = Count() + static_cast<int>(rows.size()) - kept_;
    if (excess > 0) {
        beginRemoveRows(QModelIndex(), 0, excess - 1);
        rows_.erase(rows_.begin(), rows_.begin() + excess);
        endRemoveRows();
        dropped += excess;
    }
    beginInsertRows(QModelIndex(), Count(), Count() + static_cast<int>(rows.size()) - 1);
    for (MonitorRow &row : rows) {
        row.serial = ++serial_;
        rows_.push_back(std::move(row));
    }
    endInsertRows();
    return dropped;
}

void MonitorRows::Clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int MonitorRows::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Count();
}

int MonitorRows::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : MONITOR_COL_COUNT;
}

QVariant MonitorRows::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= Count())
        return {};
    const MonitorRow &row = Row(index.row());
    if (role == MONITOR_CODE_ROLE)
        return row.line.code;
    if (role == MONITOR_KIND_ROLE)
        return static_cast<int>(row.line.kind);
    if (role == MONITOR_SERIAL_ROLE)
        return row.serial;
    if (role == Qt::TextAlignmentRole && index.column() == MONITOR_COL_TIME)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case MONITOR_COL_TIME: return QString::number(row.ms);
    case MONITOR_COL_WAY: return WayText(row.line.way);
    case MONITOR_COL_COMMAND: return QString::fromStdString(row.line.command);
    case MONITOR_COL_DECODED: return Shown(row.line.decoded, kShownDecoded, role);
    case MONITOR_COL_HEX: return Shown(row.line.hex, kShownHex, role);
    default: return {};
    }
}

QVariant MonitorRows::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const kHeadings[MONITOR_COL_COUNT] = {"Time ms", "Direction", "Command",
                                                              "Decoded", "Hex"};
    return section >= 0 && section < MONITOR_COL_COUNT ? QString(kHeadings[section]) : QVariant();
}

QString WayText(pr::Way way)
{
    return QString::fromUtf8(pr::WayArrow(way)) +
           (way == pr::Way::Sent ? QStringLiteral(" sent") : QStringLiteral(" received"));
}

QString RowText(const MonitorRow &row) { return QString::fromStdString(pr::TraceLine(row.ms, row.line)); }

namespace {

QString CsvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString CsvHeading() { return QStringLiteral("time_ms,direction,command,decoded,hex\r\n"); }

QString CsvRow(const MonitorRow &row)
{
    const QStringList fields = {
        QString::number(row.ms),
        row.line.way == pr::Way::Sent ? QStringLiteral("sent") : QStringLiteral("received"),
        CsvField(QString::fromStdString(row.line.command)),
        CsvField(QString::fromStdString(row.line.decoded)),
        CsvField(QString::fromStdString(row.line.hex)),
    };
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}
