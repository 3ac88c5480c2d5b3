#include "mapview/FoundPlace.h"

namespace {

// The sides are differences of decimal numbers: a box of 0.1 degree may measure a trifle more.
const double sideTolerance = 1e-9;

} // namespace

QRectF FoundPlace::box() const
{
    return QRectF(west, north, east - west, south - north);
}

QRectF FoundPlace::selectionArea() const
{
    if (east - west <= largestSelectedSide + sideTolerance && north - south <= largestSelectedSide + sideTolerance)
        return box();
    // The centre a search gives for a place (a city's centre, say) rather than its box's
    // middle, which for a coastal city can lie out at sea.
    const double centreLat = hasCentre ? lat : (south + north) / 2;
    const double centreLon = hasCentre ? lon : (west + east) / 2;
    const double half = centreSelectionSide / 2;
    return QRectF(centreLon - half, centreLat + half, centreSelectionSide, -centreSelectionSide);
}
