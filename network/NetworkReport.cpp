#include "network/NetworkReport.h"

#include "network/NetworkCheck.h"
#include "network/WrittenNetwork.h"

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
QString routeLabel(qint64 id, const WrittenNetwork* network)
{
    QString label = QString("route %1").arg(id);
    const qint64 index = network ? network->routeIndex(id) : -1;
    if (index < 0)
        return label;
    const WrittenNetwork::Route& route = network->routes()[std::size_t(index)];
    const std::string& second = route.ref.empty() ? route.name : route.ref;
    QString words = QString::fromStdString(route.route);
    if (!second.empty())
        words += (words.isEmpty() ? "" : " ") + QString::fromStdString(second);
    return words.isEmpty() ? label : label + " (" + words + ")";
}

QString count(qint64 n, const char* one, const char* many)
{
    return QString("%1 %2").arg(n).arg(n == 1 ? one : many);
}

} // namespace

QString NetworkReport::meaning(Finding::Kind kind)
{
    switch (kind) {
    case Finding::RouteGap:
        return QString("two consecutive ways of a route share no node");
    case Finding::RouteCut:
        return QString("members of a route are not in the network");
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

QString NetworkReport::describe(const Finding& f, const WrittenNetwork* network)
{
    // Names go in last and in one arg() call, so that a "%1" in a route's name stays text.
    const auto n = [](qint64 id) { return QString::number(id); };
    switch (f.kind) {
    case Finding::RouteGap:
        return QString("%1: way %2 then way %3").arg(routeLabel(f.route, network), n(f.way), n(f.nextWay));
    case Finding::RouteCut:
        return QString("%1: %2 missing").arg(routeLabel(f.route, network), count(f.count, "member", "members"));
    case Finding::StopOffRoute:
        return QString("%1: stop %2, %3 m away").arg(routeLabel(f.route, network), n(f.stop), metres(f.distance));
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

QString NetworkReport::text(const QString& path, const std::vector<Finding>& findings, const WrittenNetwork* network)
{
    if (findings.empty())
        return "No problems in " + path + "\n";
    QString report = count(qint64(findings.size()), "problem", "problems") + " in " + path + "\n";
    for (std::size_t i = 0; i < findings.size();) {
        const Finding::Kind kind = findings[i].kind;
        std::size_t end = i;
        while (end < findings.size() && findings[end].kind == kind)
            ++end;
        report += QString("\n%1 (%2): %3\n").arg(Finding::kindName(kind)).arg(end - i).arg(meaning(kind));
        for (; i < end; ++i) {
            const QString where = position(findings[i]);
            report += "  " + describe(findings[i], network) + (where.isEmpty() ? "" : ", " + where) + "\n";
        }
    }
    return report;
}

QString NetworkReport::json(const std::vector<Finding>& findings)
{
    QString document("{\"findings\": [");
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        QString entry = QString("{\"kind\": \"%1\"").arg(Finding::kindName(f.kind));
        switch (f.kind) {
        case Finding::RouteGap:
            entry += QString(", \"route\": %1, \"ways\": [%2, %3]").arg(f.route).arg(f.way).arg(f.nextWay);
            break;
        case Finding::RouteCut:
            entry += QString(", \"route\": %1, \"missing\": %2").arg(f.route).arg(f.count);
            break;
        case Finding::StopOffRoute:
            entry += QString(", \"route\": %1, \"stop\": %2, \"distance\": %3")
                         .arg(f.route)
                         .arg(f.stop)
                         .arg(metres(f.distance));
            break;
        case Finding::Island:
            entry += QString(", \"ways\": %1, \"way\": %2").arg(f.count).arg(f.way);
            break;
        case Finding::OnewayDeadEnd:
            entry += QString(", \"node\": %1, \"way\": %2").arg(f.node).arg(f.way);
            break;
        case Finding::DegenerateWay:
            entry += QString(", \"way\": %1").arg(f.way);
            break;
        }
        if (f.hasPosition)
            entry += QString(", \"lat\": %1, \"lon\": %2").arg(coordinate(f.lat), coordinate(f.lon));
        document += QString("%1\n  %2}").arg(i == 0 ? "" : ",", entry);
    }
    document += findings.empty() ? "]}\n" : "\n]}\n";
    return document;
}

QString NetworkReport::unreadable(const QString& path, const QString& reason)
{
    return "Could not check " + path + ": " + reason + "\n";
}
