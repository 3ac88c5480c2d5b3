#include "tests/support/OsmApiPieces.h"

#include "common/BoundingBox.h"
#include "tests/support/TestWorkDir.h"

#include <QFileInfo>
#include <QUrlQuery>

namespace OsmApiPieces {

QRectF sampleArea()
{
    return BoundingBox(37.5852, 55.8062, 37.6218, 55.8228).toArea();
}

QStringList sampleRequestOrder()
{
    return {
        "37.615-55.816-37.622-55.823", "37.615-55.806-37.622-55.816", "37.605-55.816-37.615-55.823",
        "37.605-55.806-37.615-55.816", "37.595-55.816-37.605-55.823", "37.595-55.806-37.605-55.816",
        "37.585-55.816-37.595-55.823", "37.585-55.806-37.595-55.816",
    };
}

QString pieceName(const FakeHttpServer::Request& request)
{
    return QUrlQuery(request.url).queryItemValue("bbox").replace(',', '-');
}

FakeHttpServer::Handler serving(const QStringList& folders)
{
    return [folders](const FakeHttpServer::Request& request) {
        const QString name = pieceName(request) + ".osm";
        for (const QString& folder : folders) {
            const QString path = folder + '/' + name;
            if (QFileInfo(path).isFile())
                return FakeHttpServer::Response::ok(TestWorkDir::readFile(path));
        }
        return FakeHttpServer::Response::error(404, "no such piece");
    };
}

} // namespace OsmApiPieces
