// The file popup: Qt's own file dialog (never the desktop's), modal over the
// main panel, and a hook through which tests answer it instead.
#include "platform/inspect.h"
#include "platform/runtime/internal.h"
#include "platform/ui/registry.h"
#include "platform/ui/start.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

#include <cstring>

namespace {

FilePopupHook g_hook = nullptr;
FilePopupRequest g_last;

std::string Text(const char *s) { return s ? s : ""; }

// The visible top-level panel the dialog belongs to, if any.
QWidget *DialogParent()
{
    QWidget *active = QApplication::activeWindow();
    QWidget *fallback = nullptr;
    for (int handle : ui::PanelHandles()) {
        ui::Panel *p = ui::FindPanel(handle);
        if (!p || p->parent != 0 || !p->widget->isVisible())
            continue;
        if (p->widget == active)
            return active;
        if (!fallback)
            fallback = p->widget;
    }
    return fallback;
}

// "*.dat" gives "dat": the suffix a typed name without one gets.
QString SuffixOf(const QString &filter)
{
    const QString first = filter.section(QLatin1Char(';'), 0, 0).trimmed();
    if (first.startsWith(QLatin1String("*.")) && first.size() > 2 &&
        first.indexOf(QLatin1Char('*'), 1) < 0)
        return first.mid(2);
    return {};
}

int RunDialog(const FilePopupRequest &r, std::string &path)
{
    QString dir = QString::fromLocal8Bit(r.directory.c_str());
    if (dir.isEmpty()) {
        char project[4096];
        if (GetProjectDir(project, sizeof project) == 0)
            dir = QString::fromLocal8Bit(project);
    }
    const QString filter = QString::fromLocal8Bit(r.filter.c_str());

    QFileDialog dialog(DialogParent(), QString::fromUtf8(r.title.c_str()), dir);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (!r.allowMakeDirectory)
        dialog.setOption(QFileDialog::ReadOnly, true); // no "new folder"
    QStringList filters;
    if (!filter.isEmpty())
        filters << filter;
    if (!r.restrictExtension || filter.isEmpty())
        filters << QStringLiteral("All files (*)");
    dialog.setNameFilters(filters);

    switch (r.button) {
    case BUTTON_LOAD:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Load"));
        break;
    case BUTTON_SAVE:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Save"));
        break;
    default:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
        break;
    }
    if (r.restrictExtension && r.button != BUTTON_LOAD)
        dialog.setDefaultSuffix(SuffixOf(filter));
    if (!r.defaultName.empty())
        dialog.selectFile(QString::fromLocal8Bit(r.defaultName.c_str()));
    if (!r.allowCancel) {
        if (auto *buttons = dialog.findChild<QDialogButtonBox *>())
            if (QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel))
                cancel->hide();
    }
    if (r.restrictDirectory) {
        const QString home = QDir(dir).absolutePath();
        QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog,
                         [&dialog, home](const QString &entered) {
                             if (QDir(entered).absolutePath() != home)
                                 dialog.setDirectory(home);
                         });
    }

    int accepted = 0;
    {
        // The dialog's own loop must not run the program's callbacks.
        rt::OperationScope operation;
        ui::NoteModalDialog();
        do {
            accepted = dialog.exec();
        } while (!accepted && !r.allowCancel);
    }
    if (!accepted || dialog.selectedFiles().isEmpty())
        return FILE_POPUP_CANCELLED;
    const QString chosen = dialog.selectedFiles().constFirst();
    path = QFile::encodeName(chosen).toStdString();
    return QFileInfo::exists(chosen) ? FILE_POPUP_EXISTING : FILE_POPUP_NEW;
}

} // namespace

void SetFilePopupHook(FilePopupHook hook) { g_hook = hook; }

const FilePopupRequest &LastFilePopupRequest() { return g_last; }

int FileSelectPopup(const char *directory, const char *defaultName, const char *filter,
                    const char *title, int button, int restrictDirectory, int restrictExtension,
                    int allowCancel, int allowMakeDirectory, char *path, std::size_t size)
{
    if (!path || size == 0)
        return UIE_BAD_ARGUMENT;
    if (!ui::Started())
        return UIE_NO_RUNTIME;
    FilePopupRequest r;
    r.directory = Text(directory);
    r.defaultName = Text(defaultName);
    r.filter = Text(filter);
    r.title = Text(title);
    r.button = button;
    r.restrictDirectory = restrictDirectory;
    r.restrictExtension = restrictExtension;
    r.allowCancel = allowCancel;
    r.allowMakeDirectory = allowMakeDirectory;
    g_last = r;

    std::string chosen;
    const int result = g_hook ? g_hook(r, chosen) : RunDialog(r, chosen);
    if (result != FILE_POPUP_EXISTING && result != FILE_POPUP_NEW)
        return result == FILE_POPUP_PATH_TOO_LONG ? result : FILE_POPUP_CANCELLED;
    // A cut path would name another file: store nothing and say why.
    if (chosen.empty() || chosen.size() >= size || chosen.find('\0') != std::string::npos)
        return chosen.size() >= size ? FILE_POPUP_PATH_TOO_LONG : FILE_POPUP_CANCELLED;
    std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return result;
}
