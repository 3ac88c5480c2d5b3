#ifndef MAPVIEW_PROBLEMPICTURE_H
#define MAPVIEW_PROBLEMPICTURE_H

// What the map shows of the problems found in a network file: each finding in the order of
// the check's report, numbered by kind, with its words and, for most, its position; and the
// count of each kind. A plain value, made in any thread and handed to the map in the GUI
// thread.
#include "mapview/GeoPoint.h"

#include <QMetaType>
#include <QString>
#include <vector>

class ProblemPicture
{
public:
    struct Problem
    {
        int kind = 0;       // 0 to ProblemLayer::kinds - 1
        QString route;      // the route's ref and name where the finding names a route
        QString finding;    // the ids, as the report words them: "route 900: stop 13, 89.0 m away"
        QString text;       // what the tooltip says: the kind, what it means, the finding
        bool hasPosition = false;
        GeoPoint position;
        bool edge = false;  // at the edge of the area: listed after the others, dimmed
    };
    struct Kind
    {
        QString name;
        int count = 0; // findings with a position or without
    };

    std::vector<Problem> problems;
    std::vector<Kind> kinds;
    // The network file checked, relative to the working directory; empty when there is none.
    QString fileName;
    // Why the file could not be checked; empty when it was.
    QString failure;
};

Q_DECLARE_METATYPE(ProblemPicture)

#endif
