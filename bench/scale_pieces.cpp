// pelagor-scale-pieces: makes a larger area out of real piece files for benchmarks.
//   pelagor-scale-pieces SOURCE_DIR TARGET_DIR FACTOR
// FACTOR is a square number n*n (1, 4, 16, ...). The *.osm pieces of SOURCE_DIR,
// named W-S-E-N.osm, are copied n*n times, laid side by side as an n by n block of
// the source area. Copy number c (0 for the original position) has every coordinate
// shifted by whole multiples of the area's width and height and every id and
// reference raised by c * 10^10, so that copies never share an object, while the
// objects that neighbouring pieces share within one copy stay shared, as they are
// in a real download. Copy 0 is byte for byte the source.
#include "common/BoundingBox.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <cstdio>

namespace {

const qint64 idStride = 10000000000LL;

// The box of a piece named W-S-E-N.osm (the source pieces lie north-east of 0, 0: no minus signs).
bool boundsOfName(const QString& fileName, BoundingBox& b)
{
    return BoundingBox::fromText(QFileInfo(fileName).completeBaseName().replace('-', ','), b);
}

// A piece name as the downloader writes it: six significant digits, no trailing zeros.
QString pieceName(const BoundingBox& b)
{
    return QString("%1-%2-%3-%4.osm")
        .arg(QString::number(b.west(), 'g', 6), QString::number(b.south(), 'g', 6),
             QString::number(b.east(), 'g', 6), QString::number(b.north(), 'g', 6));
}

// Adds `shift` to a decimal coordinate and keeps the number of decimals it had.
QByteArray shiftedCoordinate(const QByteArray& text, double shift)
{
    const int dot = text.indexOf('.');
    const int decimals = dot < 0 ? 0 : text.size() - dot - 1;
    return QByteArray::number(text.toDouble() + shift, 'f', decimals);
}

QByteArray shiftLine(const QByteArray& line, qint64 idOffset, double lonShift, double latShift)
{
    static const QRegularExpression attribute(
        "(?<=\\s)(id|ref|lat|lon|minlat|minlon|maxlat|maxlon)=\"([^\"]*)\"");
    const QString text = QString::fromUtf8(line);
    QByteArray out;
    out.reserve(line.size() + 32);
    int from = 0;
    QRegularExpressionMatchIterator it = attribute.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += text.midRef(from, m.capturedStart(2) - from).toUtf8();
        const QString name = m.captured(1);
        const QByteArray value = m.captured(2).toUtf8();
        if (name == "id" || name == "ref")
            out += QByteArray::number(value.toLongLong() + idOffset);
        else if (name.endsWith("lat"))
            out += shiftedCoordinate(value, latShift);
        else
            out += shiftedCoordinate(value, lonShift);
        from = m.capturedEnd(2);
    }
    out += text.midRef(from).toUtf8();
    return out;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const int factor = arguments.value(2).toInt();
    const int side = int(std::lround(std::sqrt(double(factor))));
    if (arguments.size() != 3 || factor < 1 || side * side != factor) {
        std::fputs("Usage: pelagor-scale-pieces SOURCE_DIR TARGET_DIR FACTOR (1, 4, 16, ...: a square)\n", stderr);
        return 2;
    }
    const QDir source(arguments[0]);
    const QString target = arguments[1];
    if (!QDir().mkpath(target)) {
        std::fprintf(stderr, "pelagor-scale-pieces: cannot create %s\n", qPrintable(target));
        return 1;
    }

    // The source area: the union of its pieces' bounds.
    const QStringList names = source.entryList({"*.osm"}, QDir::Files, QDir::Name);
    BoundingBox area(1e9, 1e9, -1e9, -1e9);
    for (const QString& name : names) {
        BoundingBox b;
        if (!boundsOfName(name, b)) {
            std::fprintf(stderr, "pelagor-scale-pieces: %s is not named W-S-E-N.osm\n", qPrintable(name));
            return 1;
        }
        area = BoundingBox(std::min(area.west(), b.west()), std::min(area.south(), b.south()),
                           std::max(area.east(), b.east()), std::max(area.north(), b.north()));
    }
    const double width = area.east() - area.west();
    const double height = area.north() - area.south();

    int written = 0;
    for (int column = 0; column < side; ++column) {
        for (int row = 0; row < side; ++row) {
            const int copy = column * side + row;
            const double lonShift = column * width;
            const double latShift = row * height;
            for (const QString& name : names) {
                BoundingBox b;
                boundsOfName(name, b);
                const BoundingBox shifted(b.west() + lonShift, b.south() + latShift, b.east() + lonShift,
                                          b.north() + latShift);
                QFile in(source.filePath(name));
                QFile out(QDir(target).filePath(copy == 0 ? name : pieceName(shifted)));
                if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                    std::fprintf(stderr, "pelagor-scale-pieces: cannot copy %s\n", qPrintable(name));
                    return 1;
                }
                if (copy == 0) {
                    out.write(in.readAll());
                } else {
                    while (!in.atEnd())
                        out.write(shiftLine(in.readLine(), copy * idStride, lonShift, latShift));
                }
                ++written;
            }
        }
    }
    std::printf("%d piece files in %s\n", written, qPrintable(target));
    return 0;
}
