// pelagor-bench: measures the extraction against the bare XML reader on the same files.
// In one process it alternates two passes several times:
//   floor       a plain QXmlStreamReader loop that decodes the attributes the
//               extraction needs (node id/lat/lon, nd ref, tag k/v, member
//               type/ref/role, way and relation ids) and nothing else;
//   extraction  OSMParser::parseFiles plus writeOutputFile into a temporary folder.
// It prints the median time of each pass, MB/s (10^6 bytes of input per second),
// the ratio extraction/floor and the peak resident memory, and ends with the line
// "ratio=<value> peak_mib=<value>". Alternating the passes in one run keeps the
// ratio meaningful on a busy machine.
#include "extraction/OSMParser.h"
#include "network/OSMData.h"

#include "Median.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

const char usage[] =
    "Usage: pelagor-bench [--rounds N] PATH...\n"
    "PATH is an OpenStreetMap XML file or a folder whose *.osm files are read by name.\n"
    "Alternates N times (default 5) the bare reader pass and the extraction pass over\n"
    "all files and prints medians, MB/s, the ratio and the peak resident memory.\n";

// What the floor pass computes, so that the compiler cannot drop the decoding.
struct FloorSums
{
    qint64 ids = 0;
    double coordinates = 0;
    qint64 textLength = 0;
};

void floorFile(const QString& path, FloorSums& sums)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QXmlStreamReader reader(&file);
    const QLatin1String id("id");
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        const QXmlStreamAttributes a = reader.attributes();
        if (name == QLatin1String("node")) {
            sums.ids += a.value(id).toLongLong();
            sums.coordinates += a.value(QLatin1String("lat")).toDouble() + a.value(QLatin1String("lon")).toDouble();
        } else if (name == QLatin1String("nd")) {
            sums.ids += a.value(QLatin1String("ref")).toLongLong();
        } else if (name == QLatin1String("tag")) {
            sums.textLength += a.value(QLatin1String("k")).size() + a.value(QLatin1String("v")).size();
        } else if (name == QLatin1String("member")) {
            sums.ids += a.value(QLatin1String("ref")).toLongLong();
            sums.textLength += a.value(QLatin1String("type")).size() + a.value(QLatin1String("role")).size();
        } else if (name == QLatin1String("way") || name == QLatin1String("relation")) {
            sums.ids += a.value(id).toLongLong();
        }
    }
}

struct ExtractionResult
{
    std::size_t nodes = 0;
    std::size_t ways = 0;
    std::size_t relations = 0;
    std::size_t busStops = 0;
    std::size_t tramStops = 0;
    QByteArray outputHash;
    qint64 outputSize = 0;
    QByteArray errorsHash;
    int errorLines = 0;
    double seconds = 0; // the whole extraction: reading, writing, freeing the network
    double readSeconds = 0;
    double writeSeconds = 0;
};

// The real extraction as the processing controller runs it. The working directory is
// a temporary folder; the diagnostics of the run go to a file there instead of the
// terminal (they are still written, as in a real run).
ExtractionResult extract(const std::vector<QString>& files)
{
    ExtractionResult result;
    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());
    QDir().mkdir("data");

    std::fflush(stderr);
    const int savedStderr = dup(2);
    const int errFile = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(errFile, 2);
    close(errFile);
    QElapsedTimer total;
    total.start();
    {
        OSMData data;
        OSMParser parser;
        QElapsedTimer timer;
        timer.start();
        parser.parseFiles(files, data);
        result.readSeconds = timer.nsecsElapsed() / 1e9;
        timer.start();
        parser.writeOutputFile(data);
        result.writeSeconds = timer.nsecsElapsed() / 1e9;
        result.nodes = data.getNodes().size();
        result.ways = data.getWays().size();
        result.relations = data.getRelations().size();
        result.busStops = data.getBusStops().size();
        result.tramStops = data.getTramStops().size();
    }
    result.seconds = total.nsecsElapsed() / 1e9;
    dup2(savedStderr, 2);
    close(savedStderr);

    const QDir comp("data/comp");
    for (const QString& name : comp.entryList(QDir::Files)) {
        QFile output(comp.filePath(name));
        output.open(QIODevice::ReadOnly);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&output);
        result.outputHash = hash.result().toHex();
        result.outputSize = output.size();
    }
    QFile errors("stderr.txt");
    errors.open(QIODevice::ReadOnly);
    const QByteArray errorText = errors.readAll();
    result.errorLines = errorText.count('\n');
    result.errorsHash = QCryptographicHash::hash(errorText, QCryptographicHash::Sha256).toHex();
    QDir::setCurrent(previous);
    return result;
}

double mib(long kib)
{
    return kib / 1024.0;
}

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

long currentResidentKiB()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    int rounds = 5;
    if (arguments.value(0) == "--rounds") {
        rounds = arguments.value(1).toInt();
        arguments = arguments.mid(2);
    }
    if (arguments.isEmpty() || rounds < 1) {
        std::fputs(usage, stderr);
        return 2;
    }

    std::vector<QString> files;
    qint64 bytes = 0;
    for (const QString& argument : arguments) {
        const QFileInfo info(argument);
        if (info.isDir()) {
            const QDir dir(info.absoluteFilePath());
            for (const QString& name : dir.entryList({"*.osm"}, QDir::Files, QDir::Name))
                files.push_back(dir.filePath(name));
        } else {
            files.push_back(info.absoluteFilePath());
        }
    }
    for (const QString& file : files)
        bytes += QFileInfo(file).size();
    const double megabytes = bytes / 1e6;
    std::printf("input: %zu files, %.2f MB (%lld bytes)\n", files.size(), megabytes, static_cast<long long>(bytes));
    std::fflush(stdout);

    const long baselineKiB = currentResidentKiB();
    std::vector<double> floorTimes;
    std::vector<double> extractionTimes;
    FloorSums sums;
    ExtractionResult result;
    QElapsedTimer timer;
    for (int round = 0; round < rounds; ++round) {
        timer.start();
        for (const QString& file : files)
            floorFile(file, sums);
        floorTimes.push_back(timer.nsecsElapsed() / 1e9);

        result = extract(files);
        extractionTimes.push_back(result.seconds);
        std::printf("round %d: floor %.3f s, extraction %.3f s (reading %.3f s, writing %.3f s)\n", round + 1,
                    floorTimes.back(), extractionTimes.back(), result.readSeconds, result.writeSeconds);
        std::fflush(stdout);
    }

    const double floor = median(floorTimes);
    const double extraction = median(extractionTimes);
    const double ratio = extraction / floor;
    const long peakKiB = peakResidentKiB();
    std::printf("floor:      median %.3f s, %.1f MB/s (checksum %lld %.1f %lld)\n", floor, megabytes / floor,
                static_cast<long long>(sums.ids), sums.coordinates, static_cast<long long>(sums.textLength));
    std::printf("extraction: median %.3f s, %.1f MB/s, %.3f s/MB\n", extraction, megabytes / extraction,
                extraction / megabytes);
    std::printf("kept: %zu nodes, %zu ways, %zu routes, %zu bus stops, %zu tram stops\n", result.nodes,
                result.ways, result.relations, result.busStops, result.tramStops);
    std::printf("output: %lld bytes, sha256 %s; stderr: %d lines, sha256 %s\n",
                static_cast<long long>(result.outputSize), result.outputHash.constData(), result.errorLines,
                result.errorsHash.constData());
    const double keptBytesPerNode =
        result.nodes ? (peakKiB - baselineKiB) * 1024.0 / double(result.nodes) : 0.0;
    std::printf("memory: peak resident %.1f MiB, %.1f MiB before the first pass, %.0f bytes per kept node "
                "above that; input %.1f MiB (peak/input %.3f)\n",
                mib(peakKiB), mib(baselineKiB), keptBytesPerNode, bytes / 1048576.0,
                peakKiB * 1024.0 / double(bytes));
    std::printf("ratio=%.3f peak_mib=%.1f\n", ratio, mib(peakKiB));
    return 0;
}
