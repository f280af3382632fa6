// A run-time started without a display (InitCoreRunTime) has no Qt
// application for widgets: panels and the file popup are refused with
// UIE_NO_RUNTIME and the start with a display refuses too, where making a
// widget would abort the process.
#include "support.h"

#include "platform/runtime/loop.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

char g_name[] = "ui_core_start_test";
char *g_argv[] = {g_name, nullptr};

} // namespace

TEST(CoreStart, panelsAndTheFilePopupAreRefusedWithoutAnApplicationForWidgets)
{
    RunTimeInstance instance{1, g_argv};
    ASSERT_EQ(InitCoreRunTime(&instance), 1);
    RegisterTestCallbacks();
    const QByteArray file = PanelFilePath().toLocal8Bit();

    EXPECT_EQ(InitRunTime(&instance), 0);
    EXPECT_EQ(LoadPanel(0, file.constData(), 1), UIE_NO_RUNTIME);
    char path[256] = "unchanged";
    EXPECT_EQ(FileSelectPopup("", "a.dat", "*.dat", "Title", BUTTON_SAVE, 0, 0, 1, 1, path,
                              sizeof path),
              UIE_NO_RUNTIME);
    EXPECT_STREQ(path, "unchanged");
    // The event loop itself is the core's and runs.
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(QCoreApplication::instance()->inherits("QApplication"), false);
}
