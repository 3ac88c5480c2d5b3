#ifndef NETWORK_NETWORKREPORT_H
#define NETWORK_NETWORKREPORT_H

// The words of a network check: the report a person reads, grouped by kind, each finding
// with its ids and position; the same findings as one JSON document; the lines that name
// one finding, for the map's tooltips; and the one order in which all of them list findings.
// Any thread.
#include "network/Finding.h"

#include <QString>
#include <vector>

class NetworkReport
{
public:
    // The findings in the order of every report: those at the edge of the area after the
    // others, each of the two by kind and then by the ids a kind names (Finding::operator<).
    static std::vector<Finding> inReportOrder(std::vector<Finding> findings);

    // What a finding of the kind means, for example "a oneway road ends where no road
    // leaves".
    static QString meaning(Finding::Kind kind);
    // One finding by its ids, without its position or edge: "node 301 at the end of way 202".
    // A route is named with its type and ref (or name) where it has them.
    static QString describe(const Finding& finding);
    // "at 55.7500000,37.6000000", or empty without a position.
    static QString position(const Finding& finding);

    // "N problems in PATH" (", M at the edge of the area" when there are such), or "No
    // problems in PATH"; then, in report order, each kind that has findings: its name (with
    // "at the edge" for those), count and meaning, and one indented line per finding, which
    // ends in ", at the edge" for those.
    static QString text(const QString& path, const std::vector<Finding>& findings);
    // {"version": 1, "counts": {kind: n, ...}, "findings": [...]}: the count of every kind,
    // then one entry per finding and line in report order, with the kind, the route's id,
    // ref and name, the ids of the kind, lat/lon where it has a position, and edge.
    static QString json(const std::vector<Finding>& findings);
    // A file that could not be checked: "Could not check PATH: REASON".
    static QString unreadable(const QString& path, const QString& reason);
};

#endif
