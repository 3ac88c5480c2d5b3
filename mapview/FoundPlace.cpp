#include "mapview/FoundPlace.h"

namespace {

// The sides are differences of decimal numbers: a box of 0.1 degree may measure a trifle more.
const double sideTolerance = 1e-9;

} // namespace

QRectF FoundPlace::box() const
{
    return bounds.toArea();
}

QRectF FoundPlace::selectionArea() const
{
    if (bounds.east() - bounds.west() <= largestSelectedSide + sideTolerance
        && bounds.north() - bounds.south() <= largestSelectedSide + sideTolerance)
        return box();
    // The centre a search gives for a place (a city's centre, say) rather than its box's
    // middle, which for a coastal city can lie out at sea.
    const double centreLat = hasCentre ? lat : (bounds.south() + bounds.north()) / 2;
    const double centreLon = hasCentre ? lon : (bounds.west() + bounds.east()) / 2;
    const double half = centreSelectionSide / 2;
    return BoundingBox(centreLon - half, centreLat - half, centreLon + half, centreLat + half).toArea();
}
