#include "tests/support/OsmApiPieces.h"

#include "tests/support/TestWorkDir.h"

#include <QFileInfo>
#include <QUrlQuery>

namespace OsmApiPieces {

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
