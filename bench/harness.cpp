// The benchmarks' shared harness.
#include "harness.h"

#include "app/QzanRMRivad.h"
#include "core/globals.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/rs232.h"
#include "platform/ui.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

namespace {

RunTimeInstance g_instance{0, nullptr};
bool g_programStarted = false;

struct WorkDirHolder {
    std::string path;
    ~WorkDirHolder()
    {
        if (!path.empty())
            std::filesystem::remove_all(path);
    }
};
WorkDirHolder g_workDir;

class PaintCounter : public QObject {
public:
    std::map<std::string, long long> counts;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++counts[std::string(watched->metaObject()->className()) + " " +
                     watched->objectName().toStdString()];
        return false;
    }
};
PaintCounter *g_paints = nullptr;

} // namespace

bool StartRunTime(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    g_instance = RunTimeInstance{argc, argv};
    if (InitRunTime(&g_instance) != 1)
        return false;
    int count = 0;
    const CallbackName *callbacks = ProgramCallbacks(count);
    RegisterCallbacks(callbacks, count);
    RegisterControls(kQzanControls, kQzanControlCount);
    setenv("QZAN_COM1", ComLink().c_str(), 1);
    return true;
}

const std::string &WorkDir()
{
    if (g_workDir.path.empty()) {
        namespace fs = std::filesystem;
        g_workDir.path =
            (fs::temp_directory_path() / ("qzan-bench-" + std::to_string(getpid()))).string();
        fs::remove_all(g_workDir.path);
        fs::create_directories(g_workDir.path);
    }
    return g_workDir.path;
}

std::string ComLink() { return WorkDir() + "/com1"; }

bool StartProgram()
{
    panelHandle = LoadPanel(0, QZAN_PANEL_FILE, PANEL);
    if (panelHandle <= 0)
        return false;
    panelPopUp = LoadPanel(panelHandle, QZAN_PANEL_FILE, POPUP);
    if (panelPopUp <= 0)
        return false;
    GetProjectDir(proj_dir, sizeof proj_dir);
    InitVars();
    InitRS232(com);
    DisplayPanel(panelHandle);
    g_programStarted = true;
    return QTest::qWaitForWindowExposed(PanelWidget(panelHandle));
}

void StopProgram()
{
    if (!g_programStarted)
        return;
    stop_flag = 1;
    CloseCom(com);
    DiscardPanel(panelPopUp);
    DiscardPanel(panelHandle);
    g_programStarted = false;
    Idle(1);
}

void After(int ms, std::function<void()> action)
{
    QTimer::singleShot(ms, Qt::PreciseTimer, QCoreApplication::instance(), std::move(action));
}

void Idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::string Status()
{
    char text[256] = "";
    GetCtrlVal(panelHandle, PANEL_STATUS, text, sizeof text);
    return text;
}

long long RawPlots() { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls; }
long long DataPlots() { return GetGraphModel(panelHandle, PANEL_GraphData)->deleteCalls; }

double Seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}


void Figure(const char *name, double value, const char *unit, double limit, const char *goal)
{
    const double ratio = limit != 0 ? value / limit : 0;
    std::printf("{\"figure\": \"%s\", \"value\": %.6g, \"unit\": \"%s\", \"limit\": %.6g, "
                "\"ratio\": %.4g, \"goal\": \"%s\"}\n",
                name, value, unit, limit, ratio, goal);
    std::fflush(stdout);
}

void WatchPaints()
{
    const char *on = std::getenv("QZAN_BENCH_PAINTS");
    if (!on || std::strcmp(on, "1") != 0)
        return;
    if (!g_paints) {
        g_paints = new PaintCounter;
        QCoreApplication::instance()->installEventFilter(g_paints);
    }
    g_paints->counts.clear();
}

void ReportPaints(const char *what, long long answers)
{
    if (!g_paints || answers <= 0)
        return;
    for (const auto &[widget, n] : g_paints->counts)
        if (n * 20 >= answers)
            Note("%s: paints of %s: %.2f per answer", what, widget.c_str(),
                 static_cast<double>(n) / static_cast<double>(answers));
    g_paints->counts.clear();
}

void Note(const char *format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::fputs("  ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::vector<double> LogTimes(const std::string &logPath, const char *kind, int cmd, int word0)
{
    std::vector<double> times;
    for (const qzan::test::SimLogLine &l : qzan::test::ReadSimLog(logPath, kind, cmd))
        if (word0 < 0 || (!l.words.empty() && l.words[0] == static_cast<unsigned>(word0)))
            times.push_back(l.ms);
    return times;
}

double MedianTurnaroundMs(const std::string &logPath, int cmd)
{
    const std::vector<double> answers = LogTimes(logPath, "ANS", cmd);
    const std::vector<double> requests = LogTimes(logPath, "REQ", cmd);
    std::vector<double> gaps;
    auto next = requests.begin();
    for (double a : answers) {
        next = std::upper_bound(next, requests.end(), a);
        if (next == requests.end())
            break;
        gaps.push_back(*next - a);
    }
    return Median(gaps);
}

double RateOf(const std::vector<double> &times)
{
    if (times.size() < 2 || times.back() <= times.front())
        return 0;
    return static_cast<double>(times.size() - 1) / ((times.back() - times.front()) / 1000.0);
}

} // namespace bench
