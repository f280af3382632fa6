// Saving a graph on the operator's request: its picture as PNG (at the
// screen's pixel density) or SVG, a copy on the clipboard, and for a graph
// whose `exportColumns` names them, its curves' data as CSV. None of it
// touches the program's state; what came of it goes to the message sink.
#ifndef PLATFORM_UI_GRAPH_EXPORT_H
#define PLATFORM_UI_GRAPH_EXPORT_H

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

class QCustomPlot;
class QPainter;
class QPoint;
class QzGraph;
struct GraphModel;

namespace graph_export {

enum class Format { Png, Svg, Csv };

// The context menu at `globalPos`, and then the export chosen in it. While
// the menu or a file dialog is open, program callbacks wait.
void RunMenu(QzGraph &graph, const QPoint &globalPos);

// The curves' data: the header line `columns`, then one line per point of
// the first curve with its x and the y of every curve in plotting order
// (empty where a curve is shorter). Plain decimal numbers whatever the
// locale, '\n' line ends. Empty when the graph holds no curve.
QByteArray CsvText(const GraphModel &model, const QString &columns);

// The graph as shown, at `scale` device pixels per pixel.
QImage Picture(QzGraph &graph, double scale);

// Writes the export to `path` through a temporary file beside it, so that a
// failure leaves no part of a file behind and the old file as it was; a
// link is followed and the old file's permissions kept. Empty on success,
// else the system's reason.
QString Save(QzGraph &graph, Format format, const QString &path);

// The same for a window's own plot: its picture (PNG or SVG) as bytes,
// with `paintOver` (may be empty) drawing on top in the plot's coordinates.
// Empty on success, else what went wrong.
QString EncodePlot(QCustomPlot &plot, Format format, QByteArray &out,
                   const std::function<void(QPainter &)> &paintOver = {});

// Writes `bytes` to `path` whole, as Save does; empty on success, else the
// system's reason.
QString SaveBytes(const QString &path, const QByteArray &bytes);

// A number for a CSV field: the shortest text that reads back as the same
// double, never in exponent form; nothing for a value that is no number.
void AppendCsvNumber(QByteArray &out, double value);

// Where the next export's file dialog starts: the folder of the last export
// in this run, else the program's folder.
QString StartDirectory();

} // namespace graph_export

#endif
