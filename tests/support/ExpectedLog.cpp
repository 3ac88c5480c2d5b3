#include "tests/support/ExpectedLog.h"

#include <QRegularExpression>

namespace ExpectedLog {

QString piecePath(const QString& piece)
{
    return "data/download/" + piece + ".osm";
}

QString total(int pieces)
{
    return QString("Total %1 files to be requested...\n").arg(pieces);
}

QString requestLine(const QString& piece)
{
    QString bbox = piece;
    return QString("Request: \"api.openstreetmap.org?/api/0.6/mapbbox=%1\" ").arg(bbox.replace('-', ','));
}

QString foundLine(const QString& piece)
{
    return QString("File found at local storage: \"%1\"\n").arg(piecePath(piece));
}

QString processingLine(const QString& path, bool opens)
{
    return processingStart(path) + (opens ? readOk() : openingFailed());
}

QString processingStart(const QString& path)
{
    return QString("Processing file: \"%1\"...").arg(path);
}

QString readOk()
{
    return " OK\n";
}

QString openingFailed()
{
    return " opening failed!\n";
}

QString creating(const QString& path)
{
    return QString("Creating output file: \"%1\"... ").arg(path);
}

QString dirStart(const QString& dir)
{
    return QString("Parsing Dir \"%1\"...\n").arg(dir);
}

QString dirSummary(int ways, int nodes, int busStops, int tramStops, int routes)
{
    return QString("Dir parse done!\n    Way count: %1\n    Node count: %2\n    Bus stop count: %3\n"
                   "    Tram stop count: %4\n    Route count: %5\n")
        .arg(ways)
        .arg(nodes)
        .arg(busStops)
        .arg(tramStops)
        .arg(routes);
}

QString summary(int nodes, int busStops, int tramStops, int ways, int routes)
{
    return QString("OK\n    Node count: %1\n    Bus stop count: %2\n    Tram stop count: %3\n    Way count: %4\n"
                   "    Route count: %5\n")
        .arg(nodes)
        .arg(busStops)
        .arg(tramStops)
        .arg(ways)
        .arg(routes);
}

QString emptySummary()
{
    return summary(0, 0, 0, 0, 0);
}

QString escaped(const QString& text)
{
    return QRegularExpression::escape(text);
}

QString requestPattern(const QString& piece, bool arrives)
{
    return escaped(requestLine(piece)) + (arrives ? "(?:\\.+ Done\\n)+" : "(?:\\.| Done\\n)*");
}

QString processingPattern(const QString& piece, bool opens)
{
    return escaped(processingLine(piecePath(piece), opens));
}

QString summaryPattern(int nodes, int busStops, int tramStops, int ways, int routes)
{
    return escaped(summary(nodes, busStops, tramStops, ways, routes));
}

QString creatingPattern(bool complete)
{
    // Two runs in one second: the later file takes the next free name ("-2", "-3", ...).
    return QString("Creating output file: \"(\\./data/comp/[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{2}-[0-9]{2}-[0-9]{2}"
                   "(?:-[0-9]+)?%1\\.osm)\"\\.\\.\\. ")
        .arg(complete ? "" : "-incomplete");
}

QString anySummaryPattern()
{
    return "OK\\n    Node count: \\d+\\n    Bus stop count: \\d+\\n    Tram stop count: \\d+\\n"
           "    Way count: \\d+\\n    Route count: \\d+\\n";
}

QString waitPattern(const QString& piece, const QString& waitLine)
{
    return requestPattern(piece, false) + "\\n?" + waitLine;
}

QString busyWait(int status, int seconds)
{
    return escaped(QString("Server busy (HTTP %1), trying again in %2 s...\n").arg(status).arg(seconds));
}

QString noAnswerWait(int seconds)
{
    return escaped(QString("No answer from the server, trying again in %1 s...\n").arg(seconds));
}

QString incompletePattern(const QString& failed, const QString& reason, const QStringList& notRequested, int total)
{
    QStringList reasons{reason};
    for (int i = 0; i < notRequested.size(); ++i)
        reasons << escaped("not requested");
    return "\\n?" + missingPattern(QStringList{failed} + notRequested, reasons, total);
}

QString missingPattern(const QStringList& pieces, const QStringList& reasons, int total)
{
    QString pattern;
    for (int i = 0; i < pieces.size(); ++i)
        pattern += escaped("Not downloaded: " + pieces[i] + " (") + reasons[i] + "\\)\\n";
    return pattern
        + escaped(QString("Download incomplete: %1 of %2 pieces are missing. The pieces on disk are kept; start "
                          "the download again later to fetch the rest.\n")
                      .arg(pieces.size())
                      .arg(total));
}

QString unusableWait(const QString& reason, int seconds)
{
    return escaped(QString("Unusable answer (%1), trying again in %2 s...\n").arg(reason).arg(seconds));
}

QString notWholeLine(const QString& piece)
{
    return QString("File at local storage is not a whole piece: \"%1\"\n").arg(piecePath(piece));
}

} // namespace ExpectedLog
