#include "tests/support/TileImages.h"

#include <QBuffer>
#include <QImage>

namespace TileImages {

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray pngTile(const QColor& colour)
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(colour);
    return png(image);
}

} // namespace TileImages
