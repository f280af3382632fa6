// Graph exports: the context menu, the file dialog, the writers.
#include "platform/ui/graph_export.h"

#include "platform/inspect.h"
#include "platform/runtime/internal.h"
#include "platform/runtime/savefile.h"
#include "platform/ui/graph.h"
#include "platform/ui/messages.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMenu>
#include <QPointer>
#include <QSaveFile>
#include <QStringList>
#include <QPainter>
#include <QSvgGenerator>

#include <qcustomplot.h>

#include <charconv>
#include <cmath>

namespace graph_export {
namespace {

QString g_lastDirectory;

struct Kind {
    Format format;
    const char *menuText;
    const char *title;
    const char *filter;
    const char *suffix;
    const char *done; // the message on success, before the path
};

const Kind kKinds[] = {
    {Format::Png, "Save as PNG\u2026", "Save graph as PNG", "PNG images (*.png)", "png",
     "Graph saved to "},
    {Format::Svg, "Save as SVG\u2026", "Save graph as SVG", "SVG drawings (*.svg)", "svg",
     "Graph saved to "},
    {Format::Csv, "Save data as CSV\u2026", "Save graph data as CSV",
     "CSV files (*.csv)", "csv", "Graph data saved to "},
};

const Kind &KindOf(Format format)
{
    for (const Kind &k : kKinds)
        if (k.format == format)
            return k;
    return kKinds[0];
}

QString Columns(const QzGraph &graph)
{
    return graph.property("exportColumns").toString().trimmed();
}

bool HasCurve(const GraphModel &model)
{
    for (int i = 0; i < model.plotCount; ++i)
        if (model.plots[static_cast<std::size_t>(i)].kind == GraphPlot::Curve)
            return true;
    return false;
}

QString ProposedName(const QzGraph &graph, const Kind &kind)
{
    const QString name = graph.objectName().isEmpty() ? QStringLiteral("graph") : graph.objectName();
    return name + u'.' + QLatin1String(kind.suffix);
}

// Qt's own dialog, never the desktop's: it looks and behaves the same
// everywhere, and tests can drive it. Empty when the operator cancels.
QString AskPath(QzGraph &graph, const Kind &kind)
{
    QFileDialog dialog(graph.window(), QString::fromUtf8(kind.title), StartDirectory());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QString::fromUtf8(kind.filter), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QLatin1String(kind.suffix));
    dialog.selectFile(ProposedName(graph, kind));
    int accepted = 0;
    {
        // The dialog's own loop must not run the program's callbacks.
        rt::OperationScope operation;
        accepted = dialog.exec();
    }
    if (!accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = QDir::cleanPath(dialog.selectedFiles().constFirst());
    g_lastDirectory = QFileInfo(path).absolutePath();
    return path;
}

void Export(QzGraph &graph, const Kind &kind)
{
    QPointer<QzGraph> alive(&graph);
    const QString path = AskPath(graph, kind);
    if (path.isEmpty() || !alive)
        return;
    const QString error = Save(graph, kind.format, path);
    ui::Tell(&graph, error.isEmpty()
                         ? QString::fromUtf8(kind.done) + QDir::toNativeSeparators(path)
                         : QStringLiteral("Cannot write ") + QDir::toNativeSeparators(path) +
                               QStringLiteral(": ") + error);
}

void CopyToClipboard(QzGraph &graph)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QImage picture = Picture(graph, graph.devicePixelRatioF());
    if (!clipboard || picture.isNull()) {
        ui::Tell(&graph, QStringLiteral("Cannot copy the graph to the clipboard"));
        return;
    }
    clipboard->setImage(picture);
    ui::Tell(&graph, QStringLiteral("Graph copied to the clipboard"));
}

QString EncodePicture(const QImage &picture, QByteArray &out)
{
    if (picture.isNull())
        return QStringLiteral("the graph has no size to draw");
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    return writer.write(picture) ? QString() : writer.errorString();
}

QString EncodeDrawing(QCustomPlot &plot, const QString &title, QByteArray &out,
                      const std::function<void(QPainter &)> &paintOver)
{
    const int width = std::max(plot.width(), 1), height = std::max(plot.height(), 1);
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(title);
    QCPPainter painter;
    if (!painter.begin(&svg))
        return QStringLiteral("the drawing could not be started");
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot.toPainter(&painter, width, height);
    if (paintOver)
        paintOver(painter);
    painter.end(); // the generator writes out here
    return {};
}

QImage PlotPicture(QCustomPlot &plot, double scale, const std::function<void(QPainter &)> &paintOver)
{
    if (plot.width() <= 0 || plot.height() <= 0 || !(scale > 0))
        return {};
    QImage image = plot.toPixmap(plot.width(), plot.height(), scale).toImage();
    if (paintOver) {
        QPainter painter(&image);
        painter.scale(scale, scale);
        paintOver(painter);
    }
    return image;
}

QString Encode(QzGraph &graph, Format format, QByteArray &out)
{
    switch (format) {
    case Format::Png:
        return EncodePicture(Picture(graph, graph.devicePixelRatioF()), out);
    case Format::Svg:
        graph.syncPlot();
        return EncodeDrawing(*graph.plot(), graph.objectName(), out,
                             [&graph](QPainter &painter) { graph.paintLive(painter); });
    case Format::Csv:
        out = CsvText(graph.model(), Columns(graph));
        return out.isEmpty() ? QStringLiteral("the graph holds no curve") : QString();
    }
    return QStringLiteral("unknown format");
}

// The file is unbuffered (OpenToReplace): a short write comes back to this
// loop and the next attempt fails with the system's reason.
QString WriteAll(QSaveFile &file, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 put = file.write(bytes.constData() + done, bytes.size() - done);
        if (put <= 0)
            return file.errorString();
        done += put;
    }
    return {};
}

} // namespace

void RunMenu(QzGraph &graph, const QPoint &globalPos)
{
    QMenu menu(&graph);
    const bool withData = !Columns(graph).isEmpty();
    for (const Kind &kind : kKinds) {
        if (kind.format == Format::Csv)
            continue;
        menu.addAction(QString::fromUtf8(kind.menuText))->setData(static_cast<int>(kind.format));
    }
    QAction *copy = menu.addAction(QStringLiteral("Copy to clipboard"));
    if (withData) {
        const Kind &csv = KindOf(Format::Csv);
        QAction *data = menu.addAction(QString::fromUtf8(csv.menuText));
        data->setData(static_cast<int>(Format::Csv));
        data->setEnabled(HasCurve(graph.model()));
    }

    QPointer<QzGraph> alive(&graph);
    QAction *chosen = nullptr;
    {
        // Nothing of the program runs while the menu is open: what it saves
        // is the graph as it was when the operator asked.
        rt::OperationScope operation;
        chosen = menu.exec(globalPos);
    }
    if (!chosen || !alive)
        return;
    if (chosen == copy) {
        CopyToClipboard(graph);
        return;
    }
    Export(graph, KindOf(static_cast<Format>(chosen->data().toInt())));
}

QByteArray CsvText(const GraphModel &model, const QString &columns)
{
    std::vector<const GraphPlot *> curves;
    for (int i = 0; i < model.plotCount; ++i) {
        const GraphPlot &p = model.plots[static_cast<std::size_t>(i)];
        if (p.kind == GraphPlot::Curve)
            curves.push_back(&p);
    }
    if (curves.empty())
        return {};
    QStringList names = columns.split(u',');
    for (QString &name : names)
        name = name.simplified(); // no line break may enter the header
    QByteArray out = names.join(u',').toUtf8();
    out += '\n';
    const std::size_t points = curves.front()->x.size();
    out.reserve(out.size() + static_cast<qsizetype>(points * (curves.size() + 1) * 8));
    for (std::size_t k = 0; k < points; ++k) {
        AppendCsvNumber(out, curves.front()->x[k]);
        for (const GraphPlot *curve : curves) {
            out += ',';
            if (k < curve->y.size())
                AppendCsvNumber(out, curve->y[k]);
        }
        out += '\n';
    }
    return out;
}

QImage Picture(QzGraph &graph, double scale)
{
    graph.syncPlot();
    return PlotPicture(*graph.plot(), scale,
                       [&graph](QPainter &painter) { graph.paintLive(painter); });
}

QString Save(QzGraph &graph, Format format, const QString &path)
{
    // The whole export is made in memory first: nothing of it reaches the
    // disk unless all of it can.
    QByteArray bytes;
    if (const QString error = Encode(graph, format, bytes); !error.isEmpty())
        return error;
    return SaveBytes(path, bytes);
}

QString EncodePlot(QCustomPlot &plot, Format format, QByteArray &out,
                   const std::function<void(QPainter &)> &paintOver)
{
    switch (format) {
    case Format::Png:
        return EncodePicture(PlotPicture(plot, plot.devicePixelRatioF(), paintOver), out);
    case Format::Svg:
        return EncodeDrawing(plot, plot.objectName(), out, paintOver);
    case Format::Csv:
        break;
    }
    return QStringLiteral("a plot's picture is PNG or SVG");
}

QString SaveBytes(const QString &path, const QByteArray &bytes)
{
    // The new file appears whole, under its name, or not at all; the old
    // one keeps what it was (see OpenToReplace).
    QSaveFile file(path);
    if (!rt::OpenToReplace(file))
        return file.errorString();
    const QString error = WriteAll(file, bytes);
    if (!error.isEmpty()) {
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

void AppendCsvNumber(QByteArray &out, double value)
{
    if (!std::isfinite(value))
        return; // an empty field: no number to give
    // Fixed notation of the smallest subnormal needs some 330 characters.
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (result.ec == std::errc())
        out.append(text, static_cast<qsizetype>(result.ptr - text));
}

QString StartDirectory()
{
    if (!g_lastDirectory.isEmpty() && QFileInfo(g_lastDirectory).isDir())
        return g_lastDirectory;
    char dir[4096];
    if (GetProjectDir(dir, sizeof dir) == 0)
        return QString::fromLocal8Bit(dir);
    return QDir::currentPath();
}

} // namespace graph_export
