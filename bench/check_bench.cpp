// pelagor-check-bench: how long reading a network file back and checking it take, and how
// much memory each adds. Alternates N rounds (default 5) of reading the file and checking
// what was read, and prints the medians of both, of the whole, and the resident memory:
// before anything, at its peak after the first reading, and at its peak after the first
// check. Ends with "read_s=<value> check_s=<value> total_s=<value> read_mib=<value>
// check_mib=<value>", the last two the growth of the peak that each step caused.
#include "extraction/NetworkFileReader.h"
#include "network/NetworkCheck.h"
#include "network/WrittenNetwork.h"

#include "Median.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// VmRSS or VmHWM of this process in MiB, from /proc/self/status.
double statusMib(const char* field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    int rounds = 5;
    if (arguments.size() == 3 && arguments[0] == "--rounds") {
        rounds = std::max(1, arguments[1].toInt());
        arguments = arguments.mid(2);
    }
    if (arguments.size() != 1) {
        std::fputs("Usage: pelagor-check-bench [--rounds N] NETWORK.osm\n", stderr);
        return 2;
    }
    const double startMib = statusMib("VmRSS:");
    double readPeakMib = 0;
    double checkPeakMib = 0;
    std::vector<double> readSeconds;
    std::vector<double> checkSeconds;
    std::size_t findings = 0;
    for (int round = 0; round < rounds; ++round) {
        WrittenNetwork network;
        QString error;
        QElapsedTimer timer;
        timer.start();
        if (!NetworkFileReader::read(arguments[0], network, &error)) {
            std::fprintf(stderr, "pelagor-check-bench: %s\n", qPrintable(error));
            return 1;
        }
        readSeconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        if (round == 0)
            readPeakMib = statusMib("VmHWM:");
        timer.restart();
        findings = NetworkCheck::run(network).size();
        checkSeconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        if (round == 0)
            checkPeakMib = statusMib("VmHWM:");
        std::printf("round %d: read %.3f s, check %.3f s, %zu findings, %zu nodes, %zu ways, %zu routes\n", round + 1,
                    readSeconds.back(), checkSeconds.back(), findings, network.nodeCount(), network.ways().size(),
                    network.routes().size());
    }
    const double read = median(readSeconds);
    const double check = median(checkSeconds);
    std::printf("median: read %.3f s, check %.3f s, together %.3f s\n", read, check, read + check);
    std::printf("resident memory: %.1f MiB at the start, peak %.1f MiB after reading, %.1f MiB after checking\n",
                startMib, readPeakMib, checkPeakMib);
    std::printf("read_s=%.3f check_s=%.3f total_s=%.3f read_mib=%.1f check_mib=%.1f\n", read, check, read + check,
                readPeakMib - startMib, checkPeakMib - readPeakMib);
    return 0;
}
