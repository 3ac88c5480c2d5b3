#ifndef MAPVIEW_PIECECELL_H
#define MAPVIEW_PIECECELL_H

// One downloaded piece as the map shows it: its box in degrees and how old its file is.
// A plain value, made in any thread and handed to the map in the GUI thread.
#include "common/BoundingBox.h"

#include <QMetaType>
#include <QString>
#include <vector>

class QDateTime;

class PieceCell
{
public:
    // The age classes of a piece file, from its last change: up to 7 days, up to 90 days, older.
    enum Age { Fresh = 0, Recent = 1, Old = 2 };
    static constexpr int ageClasses = 3;

    static Age ageOf(const QDateTime& modified, const QDateTime& now);
    // The legend's words for a class: "up to 7 days", "up to 90 days", "older".
    static QString ageText(Age age);

    PieceCell() = default;
    PieceCell(const BoundingBox& box, Age age);

    BoundingBox box;
    Age age = Fresh;
};

Q_DECLARE_METATYPE(std::vector<PieceCell>)

#endif
