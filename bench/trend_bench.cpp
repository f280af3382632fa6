// The trend window with a day of answers at the 19200-baud line's rate, fed
// straight into the store as the cycle's feed would: the memory they take
// and the time one frame of the whole day takes to draw.
#include "benches.h"

#include "harness.h"

#include "core/globals.h"
#include "panels/QzanRMRivad.h"
#include "views/trend.h"
#include "views/trend_live.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QWidget>

#include <qcustomplot.h>

#include <chrono>
#include <cmath>
#include <vector>

namespace bench {

int TrendBench(long answers)
{
    SimProcess sim;
    if (!sim.Start(ComLink(), {"--baud", "0"}) || !StartProgram()) {
        Note("trend: the simulator or the program did not start");
        return 1;
    }
    Click(panelHandle, PANEL_BTNTrend);
    Idle(300);
    QWidget *window = TrendWindowWidget();
    auto *plot = window ? window->findChild<QCustomPlot *>("trendPlot") : nullptr;
    auto *span = window ? window->findChild<QComboBox *>("trendSpan") : nullptr;
    if (!plot || !span) {
        Note("trend: the window did not open");
        return 1;
    }
    const long rss0 = VmRssKib();

    // 37.56 ms apart, as the paced cycle answers; the object wanders
    // slowly, with noise, and the setpoint is taught anew every few hours.
    trend::Live &live = trend::TheLive();
    const auto start = std::chrono::steady_clock::now();
    std::uint32_t noise = 12345;
    const double c0 = CpuSeconds();
    for (long i = 0; i < answers; ++i) {
        noise = noise * 1103515245u + 12345u;
        qzan::protocol::Measurement m;
        const double wander = 12 * std::sin(static_cast<double>(i) / 40000.0);
        m.measured = static_cast<std::uint16_t>(400 + std::lround(wander) + static_cast<int>(noise >> 28) - 8);
        m.edge1 = 300;
        m.edge2 = static_cast<std::uint16_t>(300 + m.measured);
        m.teach = static_cast<std::uint16_t>(i / 600000 % 2 ? 402 : 400);
        m.tolerance = 10;
        trend::Feed(live, start + std::chrono::microseconds(i * 37560), m);
    }
    const double feedUs = (CpuSeconds() - c0) / static_cast<double>(answers) * 1e6;
    span->setCurrentIndex(3); // All
    Idle(1000);
    const long rss1 = VmRssKib();
    Note("trend: %ld answers over %.1f h fed at %.3f us each; %zu band runs",
         answers, live.series.Times().back() / 3.6e6, feedUs, live.series.Bands().size());

    std::vector<double> frames;
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer clock;
        clock.start();
        plot->replot(QCustomPlot::rpImmediateRefresh);
        frames.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    // The span's figures over the whole day, worked out at most a few times
    // a second while the window follows.
    QElapsedTimer clock;
    clock.start();
    const auto values = live.series.Measured().Values();
    const auto figures = qzan::quality::Describe(values, trend::LimitsOf(live.series.BandAt(values.size() - 1)));
    Note("trend: figures of %zu answers in %.1f ms (mean %.2f, sd %.2f); frames of a day: median %.2f ms, "
         "slowest %.2f ms",
         figures.count, static_cast<double>(clock.nsecsElapsed()) / 1e6, figures.mean, figures.sd,
         Median(frames), *std::max_element(frames.begin(), frames.end()));
    StopProgram();
    sim.Stop();
    Figure("trend_frame_ms_24h", Median(frames), "ms", 8, "<= 1");
    Figure("trend_rss_mib_24h", static_cast<double>(rss1 - rss0) / 1024.0, "MiB", 150, "<= 1");
    return 0;
}

} // namespace bench
