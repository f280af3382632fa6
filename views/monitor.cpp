// The line monitor window.
//
// While it is open it listens on the serial ports (platform/serial/tap.h):
// each block the program writes or reads goes through the frame reader of
// the protocol core at once, and the lines it gives wait in a list that a
// timer moves into the table four times a second, so that a busy line costs
// one insertion (and one repaint of the table) per quarter of a second, not
// one per frame. Closed, it leaves the ports alone.
// Qt's headers bring POSIX's sync(); the program's frame word is not used here.
#define QZAN_WITHOUT_SYNC
#include "views/monitor.h"

#include "core/globals.h"
#include "core/protocol/describe.h"
#include "platform/inspect.h"
#include "platform/runtime/savefile.h"
#include "platform/serial/tap.h"
#include "platform/ui.h"
#include "platform/ui/wheel.h"
#include "views/monitor_rows.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QCache>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

namespace pr = qzan::protocol;

constexpr int kBatchMs = 250;
// Bytes held back this long with nothing more on the line are told as
// partial or garbage: longer than any reply's wait.
constexpr long long kQuietMs = 2000;
// Filter entries after "All frames": the nine commands, then the odd bytes.
constexpr int kFilterOdd = pr::CMD_DATA_BLOCK + 1;

bool OddKind(pr::FrameKind kind)
{
    return kind == pr::FrameKind::Garbage || kind == pr::FrameKind::Partial ||
           kind == pr::FrameKind::Discarded;
}

class FrameFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void Choose(int choice)
    {
        choice_ = choice;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        if (choice_ == 0)
            return true;
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        const auto kind = static_cast<pr::FrameKind>(index.data(MONITOR_KIND_ROLE).toInt());
        if (choice_ == kFilterOdd)
            return OddKind(kind);
        return index.data(MONITOR_CODE_ROLE).toInt() == choice_;
    }

private:
    int choice_ = 0;
};

// Draws each cell from a picture of it kept for the rows last drawn: the
// table repaints every row in sight whenever rows come in, and drawing their
// texts glyph by glyph a few times a second would cost more than the rest
// of the program. A picture is made again when its column's width changes.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const quint64 key =
            (index.data(MONITOR_SERIAL_ROLE).toULongLong() * MONITOR_COL_COUNT +
             static_cast<quint64>(index.column())) * 2 + (selected ? 1 : 0);
        const qreal ratio = painter->device()->devicePixelRatioF();
        const QSize pixels = option.rect.size() * ratio;
        if (const QPixmap *kept = pictures_.object(key); kept && kept->size() == pixels) {
            painter->drawPixmap(option.rect.topLeft(), *kept);
            return;
        }
        auto picture = std::make_unique<QPixmap>(pixels);
        picture->setDevicePixelRatio(ratio);
        picture->fill(option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        {
            QPainter p(picture.get());
            p.setFont(option.font);
            p.setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
            constexpr int kMargin = 4;
            const QRect room =
                QRect(QPoint(0, 0), option.rect.size()).adjusted(kMargin, 0, -kMargin, 0);
            DrawWords(p, room, index.data().toString(), index.column() == MONITOR_COL_TIME);
        }
        painter->drawPixmap(option.rect.topLeft(), *picture);
        const qsizetype cost = std::max<qsizetype>(1, pixels.width() * pixels.height() / 256);
        if (cost < pictures_.maxCost())
            pictures_.insert(key, picture.release(), cost);
    }

private:
    // The text word by word, each word laid out once and kept: the same
    // names, values and hex bytes come again and again, and laying out
    // whole lines anew is what a new row costs most.
    void DrawWords(QPainter &p, const QRect &room, const QString &text, bool right) const
    {
        const qreal space = p.fontMetrics().horizontalAdvance(QLatin1Char(' '));
        qreal x = room.left();
        if (right)
            x = room.right() + 1 - Word(p, text).size().width();
        for (const QStringView word : QStringView(text).split(QLatin1Char(' '))) {
            if (x > room.right())
                break;
            const QStaticText &shown = Word(p, word.toString());
            p.drawStaticText(QPointF(x, room.top() + (room.height() - shown.size().height()) / 2),
                             shown);
            x += shown.size().width() + space;
        }
    }

    const QStaticText &Word(QPainter &p, const QString &word) const
    {
        if (const QStaticText *kept = words_.object(word))
            return *kept;
        auto text = std::make_unique<QStaticText>(word);
        text->setTextFormat(Qt::PlainText);
        text->prepare(QTransform(), p.font());
        const QStaticText &shown = *text;
        words_.insert(word, text.release());
        return shown;
    }

    // About the rows of two screens: pictures beyond are seldom drawn again.
    mutable QCache<quint64, QPixmap> pictures_{3 * 1024}; // in KiB of 32-bit pixels
    mutable QCache<QString, QStaticText> words_{20000};
};

// The table, with Ctrl+C copying whole rows rather than one cell.
class FrameTable : public QTableView {
public:
    using QTableView::QTableView;
    std::function<void()> copy;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->matches(QKeySequence::Copy) && copy) {
            copy();
            event->accept();
            return;
        }
        QTableView::keyPressEvent(event);
    }
};

class MonitorWindow : public QDialog {
public:
    explicit MonitorWindow(QWidget *parent);
    ~MonitorWindow() override;
    void Start();
    void Take(int way, const char *bytes, int count);
    // Moves what waits into the table now (the timer does it every tenth).
    void Tick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    static void Tap(int port, int way, const char *bytes, int count, void *self);
    void Stop();
    void Keep(long long ms);
    void SetPaused(bool paused);
    void Copy();
    void SaveCsv();
    void ClearRows();
    void ShowCount();

    QElapsedTimer clock_;
    pr::LineReader reader_;
    std::vector<pr::FrameLine> lines_;
    std::vector<MonitorRow> pending_;
    long long lastBytesMs_ = 0;
    long long dropped_ = 0;     // rows that fell out of the ring since the last clear
    long long heldDropped_ = 0; // rows that fell out of the held-back list while paused
    bool paused_ = false;
    bool tapping_ = false;
    QTimer timer_;

    MonitorRows *rows_;
    FrameFilter *filter_;
    FrameTable *table_;
    QComboBox *filterBox_;
    QPushButton *pause_, *copy_, *save_, *clear_, *close_;
    QLabel *status_;
};

QPointer<MonitorWindow> g_window;

MonitorWindow::MonitorWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName("LineMonitor");
    setWindowTitle("Line monitor");
    setModal(false);
    clock_.start();

    rows_ = new MonitorRows(this);
    filter_ = new FrameFilter(this);
    filter_->setSourceModel(rows_);

    table_ = new FrameTable(this);
    table_->setObjectName("monitorTable");
    table_->setModel(filter_);
    table_->setItemDelegate(new CellDelegate(table_));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideRight);
    table_->verticalHeader()->setVisible(false);
    // Fixed heights: ten thousand rows are never measured one by one.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    QHeaderView *heading = table_->horizontalHeader();
    heading->setSectionResizeMode(QHeaderView::Interactive);
    heading->setStretchLastSection(true);
    const int digit = table_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    table_->setColumnWidth(MONITOR_COL_TIME, 9 * digit);
    table_->setColumnWidth(MONITOR_COL_WAY, 11 * digit);
    table_->setColumnWidth(MONITOR_COL_COMMAND, 16 * digit);
    table_->setColumnWidth(MONITOR_COL_DECODED, 70 * digit);
    table_->copy = [this] { Copy(); };

    filterBox_ = new QComboBox(this);
    filterBox_->setObjectName("monitorFilter");
    filterBox_->addItem("All frames");
    for (unsigned code = pr::CMD_WRITE_RAM; code <= pr::CMD_DATA_BLOCK; ++code)
        filterBox_->addItem(QString::fromStdString(pr::CommandName(code)));
    filterBox_->addItem("Garbage, partial, discarded");
    auto *filterLabel = new QLabel("&Show:", this);
    filterLabel->setBuddy(filterBox_);

    pause_ = new QPushButton("&Pause", this);
    pause_->setObjectName("BTNMonitorPause");
    pause_->setCheckable(true);
    pause_->setToolTip("Hold the list still; frames that come meanwhile are kept and shown on Resume");
    copy_ = new QPushButton("&Copy", this);
    copy_->setObjectName("BTNMonitorCopy");
    copy_->setToolTip("Copy the selected rows as text (Ctrl+C)");
    save_ = new QPushButton("&Save as CSV…", this);
    save_->setObjectName("BTNMonitorSave");
    save_->setToolTip("Save the rows shown to a CSV file");
    clear_ = new QPushButton("C&lear", this);
    clear_->setObjectName("BTNMonitorClear");
    close_ = new QPushButton("Cl&ose", this);
    close_->setObjectName("BTNMonitorClose");
    status_ = new QLabel(this);
    status_->setObjectName("monitorStatus");

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(filterLabel);
    buttons->addWidget(filterBox_);
    for (QPushButton *b : {pause_, copy_, save_, clear_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    for (QPushButton *b : {pause_, copy_, save_, clear_, close_})
        b->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    setTabOrder(table_, filterBox_);
    setTabOrder(filterBox_, pause_);
    setTabOrder(pause_, copy_);
    setTabOrder(copy_, save_);
    setTabOrder(save_, clear_);
    setTabOrder(clear_, close_);

    connect(filterBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        filter_->Choose(index < 0 ? 0 : index);
        ShowCount();
    });
    connect(pause_, &QPushButton::toggled, this, [this](bool on) { SetPaused(on); });
    connect(copy_, &QPushButton::clicked, this, [this] { Copy(); });
    connect(save_, &QPushButton::clicked, this, [this] { SaveCsv(); });
    connect(clear_, &QPushButton::clicked, this, [this] { ClearRows(); });
    connect(close_, &QPushButton::clicked, this, [this] { close(); });
    timer_.setInterval(kBatchMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });

    ShowCount();
    ui::GuardWheel(this); // the wheel turns the filter only when it has the focus
    resize(1100, 520);
}

MonitorWindow::~MonitorWindow()
{
    if (tapping_)
        SetComTap(nullptr, nullptr);
}

void MonitorWindow::Start()
{
    if (!tapping_) {
        reader_.Reset();
        SetComTap(&MonitorWindow::Tap, this);
        tapping_ = true;
        timer_.start();
    }
    show();
    raise();
    activateWindow();
}

void MonitorWindow::Stop()
{
    if (!tapping_)
        return;
    SetComTap(nullptr, nullptr);
    tapping_ = false;
    timer_.stop();
    // Whatever was held back is told now: nothing more of it will be seen.
    lines_.clear();
    reader_.Flush(lines_);
    Keep(clock_.elapsed());
    if (!paused_)
        Tick();
}

void MonitorWindow::closeEvent(QCloseEvent *event)
{
    Stop();
    event->accept();
}

void MonitorWindow::reject()
{
    Stop();
    QDialog::reject();
}

void MonitorWindow::Tap(int, int way, const char *bytes, int count, void *self)
{
    static_cast<MonitorWindow *>(self)->Take(way, bytes, count);
}

void MonitorWindow::Take(int way, const char *bytes, int count)
{
    lines_.clear();
    if (way == COM_TAP_DISCARDED) {
        reader_.Discard(count, lines_);
    } else if (bytes && count > 0) {
        const std::span<const std::uint8_t> span(reinterpret_cast<const std::uint8_t *>(bytes),
                                                 static_cast<std::size_t>(count));
        reader_.Feed(way == COM_TAP_SENT ? pr::Way::Sent : pr::Way::Received, span, lines_);
    }
    lastBytesMs_ = clock_.elapsed();
    Keep(lastBytesMs_);
}

void MonitorWindow::Keep(long long ms)
{
    for (pr::FrameLine &line : lines_)
        pending_.push_back(MonitorRow{ms, 0, std::move(line)});
    lines_.clear();
    // While paused only the newest frames the table could hold are kept.
    const auto limit = static_cast<std::size_t>(rows_->Kept());
    if (pending_.size() > limit + limit / 4) {
        const std::size_t excess = pending_.size() - limit;
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(excess));
        heldDropped_ += static_cast<long long>(excess);
    }
}

void MonitorWindow::Tick()
{
    if (tapping_ && reader_.Holding() && clock_.elapsed() - lastBytesMs_ >= kQuietMs) {
        lines_.clear();
        reader_.Flush(lines_);
        Keep(clock_.elapsed());
    }
    if (paused_) {
        ShowCount();
        return;
    }
    if (pending_.empty())
        return;
    const QScrollBar *bar = table_->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    dropped_ += rows_->Append(std::move(pending_)) + heldDropped_;
    heldDropped_ = 0;
    pending_.clear();
    if (atEnd)
        table_->scrollToBottom();
    ShowCount();
}

void MonitorWindow::SetPaused(bool paused)
{
    paused_ = paused;
    pause_->setText(paused ? "&Resume" : "&Pause");
    Tick();
}

void MonitorWindow::ShowCount()
{
    QString text = QString::number(filter_->rowCount()) + " of " + QString::number(rows_->Count()) +
                   " frames shown";
    if (dropped_ > 0)
        text += ", " + QString::number(dropped_) + " older ones dropped (the newest " +
                QString::number(rows_->Kept()) + " are kept)";
    if (paused_)
        text += " - paused, " + QString::number(pending_.size()) + " new frames kept for Resume";
    status_->setText(text);
}

void MonitorWindow::Copy()
{
    QModelIndexList selected = table_->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        status_->setText("Select rows to copy");
        return;
    }
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QString text;
    for (const QModelIndex &index : selected)
        text += RowText(rows_->Row(filter_->mapToSource(index).row())) + QLatin1Char('\n');
    QApplication::clipboard()->setText(text);
    status_->setText(QString::number(selected.size()) + " rows copied");
}

void MonitorWindow::SaveCsv()
{
    QByteArray path(4096, '\0');
    const int chosen = FileSelectPopup(proj_dir, "line-monitor.csv", "CSV files (*.csv)",
                                       "Save the line monitor as CSV", BUTTON_SAVE, 0, 0, 1, 1,
                                       path.data(), static_cast<std::size_t>(path.size()));
    if (chosen == FILE_POPUP_PATH_TOO_LONG) {
        status_->setText("The path is too long - nothing saved");
        return;
    }
    if (chosen <= 0)
        return;
    const QString name = QFile::decodeName(path.constData());
    QByteArray csv = CsvHeading().toUtf8();
    const int shown = filter_->rowCount();
    for (int row = 0; row < shown; ++row)
        csv += CsvRow(rows_->Row(filter_->mapToSource(filter_->index(row, 0)).row())).toUtf8();
    QSaveFile file(name);
    if (!rt::OpenToReplace(file) || file.write(csv) != csv.size() || !file.commit()) {
        status_->setText("Cannot write " + name + ": " + file.errorString());
        return;
    }
    status_->setText(QString::number(shown) + " frames saved to " + name);
}

void MonitorWindow::ClearRows()
{
    pending_.clear();
    rows_->Clear();
    dropped_ = 0;
    heldDropped_ = 0;
    ShowCount();
}

} // namespace

void OpenLineMonitor(void)
{
    if (!g_window)
        g_window = new MonitorWindow(PanelWidget(panelHandle));
    g_window->Start();
}

QWidget *LineMonitorWidget(void) { return g_window.data(); }

void LineMonitorTake(int way, const char *bytes, int count)
{
    if (g_window)
        g_window->Take(way, bytes, count);
}

void LineMonitorRefresh(void)
{
    if (g_window)
        g_window->Tick();
}
