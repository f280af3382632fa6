// The compare window.
//
// It is built on Qt Widgets directly, as the platform's own panels are, and
// not on the platform's control services: those address the controls of the
// panel file by number, while this window's table grows with the sets it
// shows and asks its questions in message boxes. Everything it does with
// the sensor, the panels and files goes through the floors below, the same
// way Get and Send go: the exchange, the parameter record, the binding.
// Qt's headers bring POSIX's sync(); the frame's leading word is reached
// through SyncWord() here.
#define QZAN_WITHOUT_SYNC
#include "views/compare.h"

#include "core/backup/backup.h"
#include "core/globals.h"
#include "core/protocol/record.h"
#include "core/status.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/rs232.h"
#include "platform/ui.h"
#include "settings/gui.h"
#include "views/compare_rows.h"

#include <QCloseEvent>
#include <QColor>
#include <QDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

CompareConfirmHook g_confirmHook = nullptr;

// The fetch waits as Get's does, but tells its progress in the window: the
// main panel's status line stays the operator's.
constexpr ExchangeWay kFetch = {FLUSH_IN_OUT, SENT_QUIET, nullptr, TICKS_OWN,
                                LIMIT_REPLY,  UNTIL_FRAME, 0};

// A write to the EEPROM is not answered; the next request flushes the output
// queue, so the frame is given this many ticks on the line first.
constexpr unsigned short kSettleTicks = 4;

// Columns: the parameter, its unit, one per set, the mark.
constexpr int COL_NAME = 0, COL_UNIT = 1, COL_SETS = 2, COL_MARK = COL_SETS + SET_COUNT,
              COL_COUNT = COL_MARK + 1;

class CompareWindow : public QDialog {
public:
    explicit CompareWindow(QWidget *parent);
    void Start();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    bool Ask(const char *question);
    void Fetch();
    // False when the main window was closed meanwhile.
    bool FetchSet(int set);
    bool Settle();
    void ReadPanels();
    void PickFile();
    void RamToEeprom();
    void EepromToPanels();
    void Fill();
    void Enable();

    QLabel *ramLine_;
    QLabel *status_;
    QTableWidget *table_;
    QPushButton *refresh_, *pickFile_, *toEeprom_, *toPanels_, *close_;
    CompareSets sets_;
    std::string fileName_;
    bool busy_ = false;   // a fetch or a write is on the stack
    bool closed_ = false; // the operator closed the window meanwhile
    bool again_ = false;  // reopened meanwhile: fetch afresh
    bool deferred_ = false; // a fetch waits for another exchange to end
};

QPointer<CompareWindow> g_window;

CompareWindow::CompareWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName("CompareWindow");
    setWindowTitle("Compare parameter sets");
    // Modal: while it talks to the sensor, nothing on the main panel may
    // start another exchange underneath it.
    setWindowModality(Qt::ApplicationModal);

    ramLine_ = new QLabel(this);
    ramLine_->setObjectName("ramLine");
    QFont bold = ramLine_->font();
    bold.setBold(true);
    ramLine_->setFont(bold);
    status_ = new QLabel(this);
    status_->setObjectName("compareStatus");

    table_ = new QTableWidget(PNUM, COL_COUNT, this);
    table_->setObjectName("compareTable");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    QStringList headings = {"Parameter", "Unit"};
    for (int set = 0; set < SET_COUNT; ++set)
        headings << SetName(set);
    headings << "Differs";
    table_->setHorizontalHeaderLabels(headings);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    // All sixteen rows at once, without scrolling.
    const int rowHeight = table_->fontMetrics().height() + 8;
    table_->verticalHeader()->setDefaultSectionSize(rowHeight);
    table_->setMinimumHeight(table_->horizontalHeader()->sizeHint().height() + PNUM * rowHeight +
                             2 * table_->frameWidth() + 2);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    refresh_ = new QPushButton("&Fetch again", this);
    refresh_->setObjectName("BTNCompareFetch");
    refresh_->setToolTip("Read the RAM and EEPROM sets from the sensor again");
    pickFile_ = new QPushButton("F&ile…", this);
    pickFile_->setObjectName("BTNCompareFile");
    pickFile_->setToolTip("Show a parameter file's or a backup's values beside the sensor's");
    toEeprom_ = new QPushButton("Copy RAM to &EEPROM…", this);
    toEeprom_->setObjectName("BTNCompareToEeprom");
    toEeprom_->setToolTip("Send the RAM set to the sensor's EEPROM, so that it outlasts a power cycle");
    toPanels_ = new QPushButton("Copy EEPROM to &panels…", this);
    toPanels_->setObjectName("BTNCompareToPanels");
    toPanels_->setToolTip("Put the EEPROM set on the panels; nothing is sent");
    close_ = new QPushButton("&Close", this);
    close_->setObjectName("BTNCompareClose");

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {refresh_, pickFile_, toEeprom_, toPanels_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    for (QPushButton *b : {refresh_, pickFile_, toEeprom_, toPanels_, close_})
        b->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ramLine_);
    layout->addWidget(table_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    setTabOrder(table_, refresh_);
    setTabOrder(refresh_, pickFile_);
    setTabOrder(pickFile_, toEeprom_);
    setTabOrder(toEeprom_, toPanels_);
    setTabOrder(toPanels_, close_);

    connect(refresh_, &QPushButton::clicked, this, [this] { Fetch(); });
    connect(pickFile_, &QPushButton::clicked, this, [this] { PickFile(); });
    connect(toEeprom_, &QPushButton::clicked, this, [this] { RamToEeprom(); });
    connect(toPanels_, &QPushButton::clicked, this, [this] { EepromToPanels(); });
    connect(close_, &QPushButton::clicked, this, [this] { close(); });

    for (int word = 0; word < PNUM; ++word)
        for (int col = 0; col < COL_COUNT; ++col)
            table_->setItem(word, col, new QTableWidgetItem);
    // A backup's second set only once a backup was chosen.
    table_->setColumnHidden(COL_SETS + SET_FILE_EEPROM, true);
    resize(780, sizeHint().height());
}

void CompareWindow::Start()
{
    closed_ = false;
    show();
    // The sets are fetched from the event loop, once the window is up and
    // its Close works; a fetch still on the stack starts over instead.
    QMetaObject::invokeMethod(this, [this] { Fetch(); }, Qt::QueuedConnection);
}

void CompareWindow::closeEvent(QCloseEvent *event)
{
    // Honoured at once, also during a fetch: the window goes, and the fetch
    // on the stack ends after the wait it is in.
    closed_ = true;
    event->accept();
}

void CompareWindow::reject()
{
    closed_ = true;
    QDialog::reject();
}

bool CompareWindow::Ask(const char *question)
{
    if (g_confirmHook)
        return g_confirmHook(question) == 1;
    return QMessageBox::question(this, windowTitle(), question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void CompareWindow::Fetch()
{
    if (busy_) {
        again_ = true;
        return;
    }
    if (closed_)
        return;
    if (WaitsUnderWay() > 0) {
        // Opened from inside another exchange's wait (a Get, a teach): its
        // answer must not be taken for this window's, nor this one's for
        // its. The window fetches once that wait has ended.
        status_->setText("Waiting for the exchange under way ...");
        if (!deferred_) {
            deferred_ = true;
            Enable();
            QTimer::singleShot(50, this, [this] {
                deferred_ = false;
                Fetch();
            });
        }
        return;
    }
    busy_ = true;
    do {
        again_ = false;
        sets_.known[SET_RAM] = sets_.known[SET_EEPROM] = false;
        ReadPanels();
        Fill();
        Enable();
        bool goesOn = FetchSet(SET_RAM);
        if (goesOn && sets_.known[SET_RAM] && !again_ && !closed_)
            goesOn = FetchSet(SET_EEPROM);
        if (!goesOn) {
            // The main window is closing: leave everything as it is.
            busy_ = false;
            return;
        }
    } while (again_ && !closed_);
    busy_ = false;
    ReadPanels();
    Fill();
    Enable();
}

bool CompareWindow::FetchSet(int set)
{
    status_->setText(set == SET_RAM ? "Waiting for parameter-frame ... (RAM)"
                                    : "Waiting for parameter-frame ... (EEPROM)");
    // The same frame as Get's: the current values ride along as payload.
    unsigned short payload[PNUM];
    CopyVarsToWords(payload);
    SyncWord() = 0x55;
    const unsigned short code = set == SET_RAM ? CMD_READ_RAM : CMD_READ_EEPROM;
    const int result = Exchange(com, code, payload, kFetch);
    if (result == EXCHANGE_CLOSED)
        return false;
    if (result == EXCHANGE_ANSWERED) {
        GetRxBuf(PNUM);
        for (int i = 0; i < PNUM; ++i)
            sets_.words[static_cast<std::size_t>(set)][static_cast<std::size_t>(i)] = pp[i];
        sets_.known[static_cast<std::size_t>(set)] = true;
        status_->setText("Parameter-frame received! - Line Ok!");
    } else {
        status_->setText("Timeout-RS-232...");
    }
    return true;
}

bool CompareWindow::Settle()
{
    StartTicks();
    bool goesOn = true;
    while (ttick < kSettleTicks) {
        if (!WaitPass()) {
            goesOn = false;
            break;
        }
    }
    StopTicks();
    return goesOn;
}

void CompareWindow::ReadPanels()
{
    // The binding reads the panels into the parameter variables; they are
    // put back at once, so that a cycle still sends what it sent before.
    unsigned short kept[PNUM];
    CopyVarsToWords(kept);
    GetPanelValues();
    CopyVarsToWords(sets_.words[SET_PANELS].data());
    CopyWordsToVars(kept);
    sets_.known[SET_PANELS] = true;
}

void CompareWindow::PickFile()
{
    char path[PATH_BUF] = {};
    // Parameter files end in .dat, the tool's backups in .json.
    const int chosen = FileSelectPopup(proj_dir, "", "Parameter files and backups (*.dat *.json)",
                                       "Compare with a File", BUTTON_LOAD, 0, 0, 1, 0, path,
                                       sizeof path);
    if (chosen == FILE_POPUP_PATH_TOO_LONG) {
        status_->setText(TXT_PATH_TOO_LONG);
        return;
    }
    if (chosen <= 0)
        return;
    // Read strictly, as the tool reads a set it would send: a backup gives
    // both of its sets, a parameter file its one.
    const qzan::backup::SetFile file =
        qzan::backup::ReadSetFile(path, qzan::backup::Memory::Ram);
    if (!file.ok) {
        status_->setText(QString::fromStdString(file.error));
        return;
    }
    sets_.words[SET_FILE] = file.words;
    sets_.known[SET_FILE] = true;
    sets_.known[SET_FILE_EEPROM] = file.wasBackup;
    if (file.wasBackup)
        sets_.words[SET_FILE_EEPROM] = file.backup.eeprom;
    table_->horizontalHeaderItem(COL_SETS + SET_FILE)->setText(file.wasBackup ? "File RAM" : "File");
    table_->setColumnHidden(COL_SETS + SET_FILE_EEPROM, !file.wasBackup);
    fileName_ = path;
    status_->setText(QString("File: %1").arg(QString::fromLocal8Bit(path)));
    Fill();
}

void CompareWindow::RamToEeprom()
{
    if (busy_ || deferred_ || !sets_.known[SET_RAM] || !Ask(TXT_ASK_RAM_TO_EEPROM))
        return;
    // Send to EEPROM, with the RAM set as it was read.
    SyncWord() = 0x55;
    order = CMD_WRITE_EEPROM;
    FillTxBuf(CMD_WRITE_EEPROM, sets_.words[SET_RAM].data());
    nBytesW = ComWrt(com, szWriteBuf, FRAME_BYTES);
    if (nBytesW != FRAME_BYTES) {
        status_->setText(TXT_NOT_QUEUED);
        return;
    }
    status_->setText("Line Ok!");
    busy_ = true;
    Enable();
    const bool goesOn = Settle();
    busy_ = false;
    if (goesOn)
        Fetch(); // reads both sets back: the line tells whether they agree now
}

void CompareWindow::EepromToPanels()
{
    if (busy_ || deferred_ || !sets_.known[SET_EEPROM] || !Ask(TXT_ASK_EEPROM_TO_PANELS))
        return;
    // As Get from the EEPROM ends: the set into the variables, the panels
    // in pixels, the binding's clamp on the way.
    CopyWordsToVars(sets_.words[SET_EEPROM].data());
    SetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, 1);
    SetPanelValues();
    ReadPanels();
    status_->setText(TXT_ON_PANELS);
    Fill();
}

void CompareWindow::Fill()
{
    int unit = 1;
    GetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, unit);
    const bool microns = unit == 0;
    table_->horizontalHeaderItem(COL_SETS + SET_FILE)
        ->setToolTip(QString::fromLocal8Bit(fileName_.c_str()));
    for (int word = 0; word < PNUM; ++word) {
        const auto &p = qzan::protocol::kParameters[static_cast<std::size_t>(word)];
        const bool differs = DifferingSets(sets_, word) != 0;
        table_->item(word, COL_NAME)->setText(p.label);
        table_->item(word, COL_UNIT)->setText(QString::fromUtf8(UnitText(word, microns)));
        for (int set = 0; set < SET_COUNT; ++set) {
            QTableWidgetItem *cell = table_->item(word, COL_SETS + set);
            const bool known = sets_.known[static_cast<std::size_t>(set)];
            const unsigned short v =
                sets_.words[static_cast<std::size_t>(set)][static_cast<std::size_t>(word)];
            cell->setText(known ? QString::fromStdString(ValueText(word, v, microns))
                                : QString("–"));
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        table_->item(word, COL_MARK)->setText(QString::fromUtf8(DifferText(sets_, word)));
        // The mark column says it in words; bold and a tint make it easy
        // to find.
        for (int col = 0; col < COL_COUNT; ++col) {
            QTableWidgetItem *cell = table_->item(word, col);
            QFont font = cell->font();
            font.setBold(differs);
            cell->setFont(font);
            cell->setBackground(differs ? QBrush(QColor(0xFF, 0xF0, 0xC0)) : QBrush());
        }
    }
    if (RamDiffersFromEeprom(sets_)) {
        ramLine_->setText(TXT_RAM_CHANGES);
        ramLine_->setStyleSheet("color: #a00000;");
    } else if (sets_.known[SET_RAM] && sets_.known[SET_EEPROM]) {
        ramLine_->setText(TXT_SETS_AGREE);
        ramLine_->setStyleSheet("");
    } else {
        ramLine_->setText(busy_ ? "Reading the sensor's sets ..." : "The sensor's sets are not known");
        ramLine_->setStyleSheet("");
    }
}

void CompareWindow::Enable()
{
    const bool idle = !busy_ && !deferred_;
    refresh_->setEnabled(idle);
    pickFile_->setEnabled(idle);
    toEeprom_->setEnabled(idle && sets_.known[SET_RAM]);
    toPanels_->setEnabled(idle && sets_.known[SET_EEPROM]);
    // Close is never dimmed.
}

} // namespace

void OpenCompareWindow(void)
{
    if (!g_window)
        g_window = new CompareWindow(PanelWidget(panelHandle));
    g_window->Start();
}

QWidget *CompareWindowWidget(void) { return g_window.data(); }

void SetCompareConfirmHook(CompareConfirmHook hook) { g_confirmHook = hook; }
