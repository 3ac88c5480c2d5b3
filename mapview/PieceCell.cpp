#include "mapview/PieceCell.h"

#include <QDateTime>

// Registered when the program loads, where the type is declared: queued connections between
// threads carry it, and no caller has to remember to register it.
static const int cellsType = qRegisterMetaType<std::vector<PieceCell>>("std::vector<PieceCell>");

namespace {

const qint64 secondsPerDay = 24 * 60 * 60;
const qint64 freshDays = 7;
const qint64 recentDays = 90;

} // namespace

PieceCell::PieceCell(const BoundingBox& box, Age age)
    : box(box)
    , age(age)
{
}

PieceCell::Age PieceCell::ageOf(const QDateTime& modified, const QDateTime& now)
{
    // A file from the future (a clock set back since) counts as fresh.
    const qint64 seconds = modified.secsTo(now);
    if (seconds <= freshDays * secondsPerDay)
        return Fresh;
    if (seconds <= recentDays * secondsPerDay)
        return Recent;
    return Old;
}

QString PieceCell::ageText(Age age)
{
    switch (age) {
    case Fresh:
        return QString("up to %1 days").arg(freshDays);
    case Recent:
        return QString("up to %1 days").arg(recentDays);
    case Old:
        break;
    }
    return QString("older");
}
