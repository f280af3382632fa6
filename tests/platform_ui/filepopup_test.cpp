// The file popup: what a program asked for, the answers of the test hook,
// a path too long for the program's buffer, and the real dialog driven by
// typing a name and pressing Return, with program callbacks held back while
// it is open.
#include "support.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <string>

namespace {

std::string g_answerPath;
int g_answerCode = FILE_POPUP_CANCELLED;

int Answer(const FilePopupRequest &, std::string &path)
{
    path = g_answerPath;
    return g_answerCode;
}

class FilePopupTest : public PanelsTest {
protected:
    void TearDown() override
    {
        SetFilePopupHook(nullptr);
        PanelsTest::TearDown();
    }
    QTemporaryDir dir;
};

TEST_F(FilePopupTest, theHookSeesTheRequestAndItsPathIsStored)
{
    SetFilePopupHook(Answer);
    g_answerPath = dir.filePath("QZANpara.dat").toStdString();
    g_answerCode = FILE_POPUP_NEW;
    char path[260] = "";
    EXPECT_EQ(FileSelectPopup("/some/dir", "QZANpara.dat", "*.dat",
                              "Q-ZAN-RM-Series Parameter File", BUTTON_OK, 0, 1, 1, 1, path,
                              sizeof path),
              FILE_POPUP_NEW);
    EXPECT_EQ(std::string(path), g_answerPath);
    const FilePopupRequest &r = LastFilePopupRequest();
    EXPECT_EQ(r.directory, "/some/dir");
    EXPECT_EQ(r.defaultName, "QZANpara.dat");
    EXPECT_EQ(r.filter, "*.dat");
    EXPECT_EQ(r.title, "Q-ZAN-RM-Series Parameter File");
    EXPECT_EQ(r.button, BUTTON_OK);
    EXPECT_EQ(r.restrictExtension, 1);
    EXPECT_EQ(r.allowCancel, 1);

    g_answerCode = FILE_POPUP_CANCELLED;
    std::strcpy(path, "unchanged");
    EXPECT_EQ(FileSelectPopup("", "", "*.dat", "t", BUTTON_LOAD, 0, 1, 1, 1, path, sizeof path),
              FILE_POPUP_CANCELLED);
    EXPECT_STREQ(path, "unchanged");
}

TEST_F(FilePopupTest, aPathThatDoesNotFitTheBufferIsReportedAndNotCut)
{
    SetFilePopupHook(Answer);
    g_answerPath = "/a/path/longer/than/sixteen.dat";
    g_answerCode = FILE_POPUP_EXISTING;
    char path[16];
    std::strcpy(path, "unchanged");
    EXPECT_EQ(FileSelectPopup("", "", "*.dat", "t", BUTTON_LOAD, 0, 1, 1, 1, path, sizeof path),
              FILE_POPUP_PATH_TOO_LONG);
    EXPECT_STREQ(path, "unchanged");
    EXPECT_EQ(FileSelectPopup("", "", "*.dat", "t", BUTTON_LOAD, 0, 1, 1, 1, nullptr, 16),
              UIE_BAD_ARGUMENT);
}

// Types `name` into the open dialog's file-name field and presses Return,
// after checking what the dialog shows.
void AnswerDialogWith(const QString &name, const QString &acceptLabel, int *ticksWhileOpen)
{
    QTimer::singleShot(300, [=] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Parameter file"));
        EXPECT_EQ(dialog->labelText(QFileDialog::Accept), acceptLabel);
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("*.dat")});
        *ticksWhileOpen = static_cast<int>(EventsOf(PANEL_Timer50ms).size());
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(name);
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

TEST_F(FilePopupTest, theRealDialogSavesUnderATypedNameWithTheDefaultSuffix)
{
    SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_INTERVAL, 0.02);
    SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_ENABLED, 1);
    ClearEvents();
    int ticksWhileOpen = -1;
    AnswerDialogWith(QStringLiteral("saved"), QStringLiteral("OK"), &ticksWhileOpen);
    char path[260] = "";
    const QByteArray start = dir.path().toLocal8Bit();
    EXPECT_EQ(FileSelectPopup(start.constData(), "QZANpara.dat", "*.dat", "Parameter file",
                              BUTTON_OK, 0, 1, 1, 1, path, sizeof path),
              FILE_POPUP_NEW);
    EXPECT_EQ(QString::fromLocal8Bit(path), dir.filePath(QStringLiteral("saved.dat")));
    EXPECT_EQ(ticksWhileOpen, 0); // the program's callbacks waited
    Pump(60);
    SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_ENABLED, 0);
    EXPECT_GE(EventsOf(PANEL_Timer50ms).size(), 1u);
}

TEST_F(FilePopupTest, theRealDialogLoadsAnExistingFile)
{
    QFile existing(dir.filePath(QStringLiteral("params.dat")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    int ticks = -1;
    AnswerDialogWith(QStringLiteral("params.dat"), QStringLiteral("Load"), &ticks);
    char path[260] = "";
    const QByteArray start = dir.path().toLocal8Bit();
    EXPECT_EQ(FileSelectPopup(start.constData(), "QZANpara.dat", "*.dat", "Parameter file",
                              BUTTON_LOAD, 0, 1, 1, 1, path, sizeof path),
              FILE_POPUP_EXISTING);
    EXPECT_EQ(QString::fromLocal8Bit(path), existing.fileName());
}

} // namespace
