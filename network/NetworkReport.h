#ifndef NETWORK_NETWORKREPORT_H
#define NETWORK_NETWORKREPORT_H

// The words of a network check: the report a person reads, grouped by kind, each finding
// with its ids and position; the same findings as one JSON document; and the lines that
// name one finding, for the map's tooltips. Any thread.
#include "network/Finding.h"

#include <QString>
#include <vector>

class WrittenNetwork;

class NetworkReport
{
public:
    // What a finding of the kind means, for example "a oneway road ends where no road
    // leaves".
    static QString meaning(Finding::Kind kind);
    // One finding by its ids, without its position: "node 301 at the end of way 202". The
    // network gives route names where it has the route.
    static QString describe(const Finding& finding, const WrittenNetwork* network);
    // "at 55.7500000,37.6000000", or empty without a position.
    static QString position(const Finding& finding);

    // "N problems in PATH" (or "No problems in PATH"), then each kind that has findings:
    // its name, count and meaning, and one indented line per finding.
    static QString text(const QString& path, const std::vector<Finding>& findings, const WrittenNetwork* network);
    // {"findings": [...]}, one entry per finding and line, with the kind, its ids and
    // lat/lon where it has a position.
    static QString json(const std::vector<Finding>& findings);
    // A file that could not be checked: "Could not check PATH: REASON".
    static QString unreadable(const QString& path, const QString& reason);
};

#endif
