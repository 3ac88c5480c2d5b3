#ifndef TESTS_SUPPORT_TILEIMAGES_H
#define TESTS_SUPPORT_TILEIMAGES_H

// PNG bytes for fake tile servers.
#include <QByteArray>
#include <QColor>

class QImage;

namespace TileImages {

// An image encoded as PNG.
QByteArray png(const QImage& image);
// A 256 x 256 map tile of one colour, encoded as PNG.
QByteArray pngTile(const QColor& colour);

} // namespace TileImages

#endif
