#include "network/NetworkReport.h"

#include "network/NetworkCheck.h"

#include <QStringList>
#include <algorithm>

namespace {

QString coordinate(double value)
{
    return QString::number(value, 'f', 7);
}

QString metres(double value)
{
    return QString::number(value, 'f', 1);
}

// "route 900 (bus 12)": the route's type and ref, or its name when it has no ref.
QString routeLabel(const Finding& f)
{
    const QString label = QString("route %1").arg(f.route);
    const QString& second = f.ref.isEmpty() ? f.name : f.ref;
    QString words = f.routeType;
    if (!second.isEmpty())
        words += (words.isEmpty() ? "" : " ") + second;
    return words.isEmpty() ? label : label + " (" + words + ")";
}

QString count(qint64 n, const char* one, const char* many)
{
    return QString("%1 %2").arg(n).arg(n == 1 ? one : many);
}

// A JSON string: quotes, backslashes and control characters escaped, the rest as it is.
QString jsonString(const QString& text)
{
    QString quoted("\"");
    for (const QChar c : text) {
        if (c == '"' || c == '\\')
            quoted += QString("\\") + c;
        else if (c == '\n')
            quoted += "\\n";
        else if (c == '\t')
            quoted += "\\t";
        else if (c.unicode() < 0x20)
            quoted += QString("\\u%1").arg(c.unicode(), 4, 16, QChar('0'));
        else
            quoted += c;
    }
    return quoted + "\"";
}

bool isRouteKind(Finding::Kind kind)
{
    return kind == Finding::RouteGap || kind == Finding::RouteCut || kind == Finding::RouteWithoutStops
        || kind == Finding::StopOffRoute;
}

// The keys of the finding after its kind, each with its value, in the order of the document.
QString jsonKeys(const Finding& f)
{
    QString keys;
    if (isRouteKind(f.kind)) {
        keys += QString(", \"route\": %1").arg(f.route);
        if (!f.ref.isEmpty())
            keys += ", \"ref\": " + jsonString(f.ref);
        if (!f.name.isEmpty())
            keys += ", \"name\": " + jsonString(f.name);
    }
    switch (f.kind) {
    case Finding::RouteGap: {
        QStringList ids;
        for (const qint64 way : f.ways)
            ids << QString::number(way);
        keys += QString(", \"ways\": [%1]").arg(ids.join(", "));
        break;
    }
    case Finding::RouteCut:
        keys += QString(", \"count\": %1").arg(f.count);
        break;
    case Finding::RouteWithoutStops:
        break;
    case Finding::StopOffRoute:
        keys += QString(", \"stop\": %1, \"distance\": %2").arg(f.stop).arg(metres(f.distance));
        break;
    case Finding::Island:
        keys += QString(", \"count\": %1, \"way\": %2").arg(f.count).arg(f.way);
        break;
    case Finding::OnewayDeadEnd:
        keys += QString(", \"node\": %1, \"way\": %2").arg(f.node).arg(f.way);
        break;
    case Finding::DegenerateWay:
        keys += QString(", \"way\": %1").arg(f.way);
        break;
    }
    if (f.hasPosition)
        keys += QString(", \"lat\": %1, \"lon\": %2").arg(coordinate(f.lat), coordinate(f.lon));
    return keys + QString(", \"edge\": %1").arg(f.edge ? "true" : "false");
}

} // namespace

std::vector<Finding> NetworkReport::inReportOrder(std::vector<Finding> findings)
{
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return a.edge != b.edge ? b.edge : a < b;
    });
    return findings;
}

QString NetworkReport::meaning(Finding::Kind kind)
{
    switch (kind) {
    case Finding::RouteGap:
        return QString("a part of a route's ways does not touch the rest of them");
    case Finding::RouteCut:
        return QString("members of a route are not in the network");
    case Finding::RouteWithoutStops:
        return QString("none of the stops of a route is in the network");
    case Finding::StopOffRoute:
        return QString("a stop is farther than %1 m from every way of its route")
            .arg(NetworkCheck::stopDistanceMetres);
    case Finding::Island:
        return QString("a part of the network is not joined to its largest part");
    case Finding::OnewayDeadEnd:
        return QString("a oneway road ends where no road leaves");
    case Finding::DegenerateWay:
        return QString("a way has fewer than two nodes in the file");
    }
    return QString();
}

QString NetworkReport::describe(const Finding& f)
{
    // Names go in last and in one arg() call, so that a "%1" in a route's name stays text.
    const auto n = [](qint64 id) { return QString::number(id); };
    switch (f.kind) {
    case Finding::RouteGap:
        return QString("%1: %2 apart from the rest, among them way %3")
            .arg(routeLabel(f), count(qint64(f.ways.size()), "way", "ways"), n(f.way));
    case Finding::RouteCut:
        return QString("%1: %2 missing").arg(routeLabel(f), count(f.count, "member", "members"));
    case Finding::RouteWithoutStops:
        return routeLabel(f);
    case Finding::StopOffRoute:
        return QString("%1: stop %2, %3 m away").arg(routeLabel(f), n(f.stop), metres(f.distance));
    case Finding::Island:
        return QString("%1, among them way %2").arg(count(f.count, "way", "ways"), n(f.way));
    case Finding::OnewayDeadEnd:
        return QString("node %1 at the end of way %2").arg(n(f.node), n(f.way));
    case Finding::DegenerateWay:
        return QString("way %1").arg(f.way);
    }
    return QString();
}

QString NetworkReport::position(const Finding& f)
{
    return f.hasPosition ? QString("at %1,%2").arg(coordinate(f.lat), coordinate(f.lon)) : QString();
}

QString NetworkReport::text(const QString& path, const std::vector<Finding>& unordered)
{
    if (unordered.empty())
        return "No problems in " + path + "\n";
    const std::vector<Finding> findings = inReportOrder(unordered);
    const auto edges = std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return f.edge; });
    QString report = count(qint64(findings.size()), "problem", "problems") + " in " + path;
    report += edges > 0 ? QString(", %1 at the edge of the area\n").arg(edges) : QString("\n");
    for (std::size_t i = 0; i < findings.size();) {
        const Finding::Kind kind = findings[i].kind;
        const bool edge = findings[i].edge;
        std::size_t end = i;
        while (end < findings.size() && findings[end].kind == kind && findings[end].edge == edge)
            ++end;
        report += QString("\n%1%2 (%3): %4\n")
                      .arg(Finding::kindName(kind), edge ? " at the edge" : "")
                      .arg(end - i)
                      .arg(meaning(kind));
        for (; i < end; ++i) {
            const QString where = position(findings[i]);
            report += "  " + describe(findings[i]) + (where.isEmpty() ? "" : ", " + where)
                + (edge ? ", at the edge" : "") + "\n";
        }
    }
    return report;
}

QString NetworkReport::json(const std::vector<Finding>& unordered)
{
    const std::vector<Finding> findings = inReportOrder(unordered);
    std::vector<int> counts(Finding::kinds, 0);
    for (const Finding& f : findings)
        ++counts[std::size_t(f.kind)];
    QStringList kinds;
    for (int kind = 0; kind < Finding::kinds; ++kind)
        kinds << QString("\"%1\": %2").arg(Finding::kindName(Finding::Kind(kind))).arg(counts[std::size_t(kind)]);
    QString document = QString("{\"version\": 1, \"counts\": {%1}, \"findings\": [").arg(kinds.join(", "));
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        document += QString("%1\n  {\"kind\": \"%2\"%3}")
                        .arg(i == 0 ? "" : ",", Finding::kindName(f.kind), jsonKeys(f));
    }
    document += findings.empty() ? "]}\n" : "\n]}\n";
    return document;
}

QString NetworkReport::unreadable(const QString& path, const QString& reason)
{
    return "Could not check " + path + ": " + reason + "\n";
}
