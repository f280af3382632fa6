// A whole session through WinMain as an operator runs it: start against the
// simulator, Run, Stop, Get, save to a file and load it back through the real
// dialogs, choose the port again, close the window; WinMain returns 0.
#include "program_fixture.h"
#include "program_script.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>

namespace {

// Answers the next file dialog by typing `name` and pressing Return.
void AnswerDialogWith(const QString &name)
{
    auto *poll = new QTimer(QCoreApplication::instance());
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, name] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit");
        edit->setText(name);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    poll->start();
}

using Session = ProgramTest;

TEST_F(Session, anOperatorsSessionEndsWithZeroWhenTheWindowCloses)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    char arg0[] = "QzanRMRivad";
    char *argv[] = {arg0, nullptr};
    RunTimeInstance instance{1, argv};
    const std::string folder = TempPath("files");
    std::filesystem::create_directories(folder);

    Script s;
    long long plots = 0;
    s.Add([] { return panelHandle > 0 && PanelWidget(panelHandle) &&
                      PanelWidget(panelHandle)->isVisible(); },
          [&] {
              EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
              plots = GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls;
              Click(panelHandle, PANEL_BTNRun); // runs until Stop below
          });
    s.Add([&] { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls - plots >= 50; },
          [&] { Click(panelHandle, PANEL_BTNStop); }, true);
    s.Add([] { return stop_flag == 1; },
          [&] {
              Click(panelHandle, PANEL_BTNGet);
              EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
          });
    s.Add([] { return true; },
          [&] {
              Click(panelHandle, PANEL_RBTFile);
              std::strncpy(proj_dir, folder.c_str(), sizeof proj_dir - 1);
              SetCtrlVal(panelHandle, PANEL_Slide_Power, 432);
              AnswerDialogWith("session");
              Click(panelHandle, PANEL_BTNSend);
              EXPECT_TRUE(std::filesystem::exists(folder + "/session.dat"));
          });
    s.Add([] { return true; },
          [&] {
              SetCtrlVal(panelHandle, PANEL_Slide_Power, 100);
              AnswerDialogWith("session.dat");
              Click(panelHandle, PANEL_BTNGet);
              EXPECT_EQ(power, 432);
              EXPECT_EQ(IntValue(panelHandle, PANEL_Slide_Power), 432);
          });
    s.Add([] { return true; },
          [&] {
              ChooseItem(panelHandle, PANEL_DropDCom, 0);
              EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
              EXPECT_EQ(target, RAM);
          });
    s.Add([] { return true; }, [] { PanelWidget(panelHandle)->close(); });
    s.Start();

    const int code = WinMain(&instance, nullptr, nullptr, 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(s.Done(), 7u);
}

TEST_F(Session, closingTheWindowDuringACycleEndsItAtOnce)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    char arg0[] = "QzanRMRivad";
    char *argv[] = {arg0, nullptr};
    RunTimeInstance instance{1, argv};
    Script s;
    long long plots = 0;
    s.Add([] { return panelHandle > 0 && PanelWidget(panelHandle) &&
                      PanelWidget(panelHandle)->isVisible(); },
          [&] {
              plots = GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls;
              Click(panelHandle, PANEL_BTNRun);
          });
    s.Add([&] { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls - plots >= 20; },
          [] { PanelWidget(panelHandle)->close(); }, true);
    s.Start();
    EXPECT_EQ(WinMain(&instance, nullptr, nullptr, 1), 0);
    EXPECT_EQ(s.Done(), 2u);
}

} // namespace
