// pelagor-route-check-bench: how the check's time grows with the stops of a route that lie off
// its way. For each N given (default 8000 32000) it builds, in memory, a network of one bus
// route along a road of N segments laid in rows of 1,000 (each row 0.01 degree north of the
// last, joined at alternate ends), with one stop 100 m beside the middle of each segment (north
// of a row, east of a turn), so that every stop is off the route; it checks that network R
// times (default 3) and prints the median. The last line gives, for each N, "stops=N check_s=T" and the ratio of T to the first
// time.
#include "network/NetworkCheck.h"
#include "network/RoadClass.h"
#include "network/WrittenNetwork.h"

#include "Median.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int rowLength = 1000;
const double segmentDegrees = 0.002; // about 130 m of longitude at 50 degrees north
const double rowDegrees = 0.01;
const double stopNorthDegrees = 0.0009; // about 100 m of latitude
const double stopEastDegrees = 0.0014;  // about 100 m of longitude at 50 degrees north

// Node ids 1..N+1 along the road, way ids 1..N, stop ids from 10,000,000.
void build(WrittenNetwork& network, int segments)
{
    const auto position = [](int i, double& lat, double& lon) {
        const int row = i / rowLength;
        const int column = i % rowLength;
        // Odd rows run west: the road turns north at the end of each row.
        lon = 10.0 + segmentDegrees * (row % 2 == 0 ? column : rowLength - 1 - column);
        lat = 50.0 + rowDegrees * row;
    };
    for (int i = 0; i <= segments; ++i) {
        double lat = 0;
        double lon = 0;
        position(i, lat, lon);
        network.addNode(i + 1, lat, lon, 0);
    }
    std::vector<WrittenNetwork::Member> members;
    for (int i = 0; i < segments; ++i) {
        network.addWay(i + 1, true, false, false, false, Residential, {qint64(i + 1), qint64(i + 2)});
        members.push_back({i + 1, true});
    }
    for (int i = 0; i < segments; ++i) {
        double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
        position(i, lat1, lon1);
        position(i + 1, lat2, lon2);
        const qint64 stop = 10000000 + i;
        const bool turn = lon1 == lon2;
        network.addNode(stop, (lat1 + lat2) / 2 + (turn ? 0 : stopNorthDegrees),
                        (lon1 + lon2) / 2 + (turn ? stopEastDegrees : 0), WrittenNetwork::BusStop);
        members.push_back({stop, false});
    }
    network.addRoute(1, "bus", "Bus 1", "1", members);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    int rounds = 3;
    if (arguments.size() >= 2 && arguments[0] == "--rounds") {
        rounds = std::max(1, arguments[1].toInt());
        arguments = arguments.mid(2);
    }
    std::vector<int> sizes;
    for (const QString& argument : arguments) {
        bool ok = false;
        const int n = argument.toInt(&ok);
        if (!ok || n < 1) {
            std::fputs("Usage: pelagor-route-check-bench [--rounds R] [N...]\n", stderr);
            return 2;
        }
        sizes.push_back(n);
    }
    if (sizes.empty())
        sizes = {8000, 32000};

    std::string summary;
    double first = 0;
    for (const int n : sizes) {
        WrittenNetwork network;
        build(network, n);
        std::vector<double> seconds;
        std::size_t findings = 0;
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            findings = NetworkCheck::run(network).size();
            seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        }
        const double time = median(seconds);
        if (first == 0)
            first = time;
        std::printf("%d stops off one route of %d segments: check %.3f s (median of %d), %zu findings\n", n, n, time,
                    rounds, findings);
        char line[96];
        std::snprintf(line, sizeof line, "%sstops=%d check_s=%.3f ratio=%.2f", summary.empty() ? "" : " ", n, time,
                      first > 0 ? time / first : 0.0);
        summary += line;
    }
    std::printf("%s\n", summary.c_str());
    return 0;
}
