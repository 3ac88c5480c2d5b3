#ifndef MAPVIEW_PROBLEMPICTURE_H
#define MAPVIEW_PROBLEMPICTURE_H

// What the map shows of the problems found in a network file: a marker per finding with a
// position, numbered by kind, with the words that name it, and the count of each kind. A
// plain value, made in any thread and handed to the map in the GUI thread.
#include "mapview/GeoPoint.h"

#include <QMetaType>
#include <QString>
#include <vector>

class ProblemPicture
{
public:
    struct Marker
    {
        GeoPoint position;
        int kind = 0; // 0 to ProblemLayer::kinds - 1
        QString text; // what the tooltip says
    };
    struct Kind
    {
        QString name;
        int count = 0; // findings with a position or without
    };

    std::vector<Marker> markers;
    std::vector<Kind> kinds;
    // Every finding of the file, also those without a position.
    int problems = 0;
    // The network file checked, relative to the working directory; empty when there is none.
    QString fileName;
    // Why the file could not be checked; empty when it was.
    QString failure;
};

Q_DECLARE_METATYPE(ProblemPicture)

#endif
