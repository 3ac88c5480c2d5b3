#include "download/DownloadSource.h"

#include "common/DataFolders.h"

#include "download/PiecePlan.h"

#include <QUrl>

QString DownloadSources::name(DownloadSource source)
{
    return source == DownloadSource::Overpass ? QStringLiteral("overpass") : QStringLiteral("api");
}

bool DownloadSources::fromName(const QString& text, DownloadSource& source)
{
    if (text == name(DownloadSource::Api))
        source = DownloadSource::Api;
    else if (text == name(DownloadSource::Overpass))
        source = DownloadSource::Overpass;
    else
        return false;
    return true;
}

QString DownloadSources::folder(DownloadSource source)
{
    return source == DownloadSource::Overpass ? DataFolders::overpassTiles() : DataFolders::downloads();
}

int DownloadSources::tileSize(DownloadSource source)
{
    return source == DownloadSource::Overpass ? 250 : PiecePlan::pieceSize;
}

QString DownloadSources::serviceName(DownloadSource source)
{
    return source == DownloadSource::Overpass ? QStringLiteral("the Overpass API")
                                              : QStringLiteral("the OpenStreetMap API");
}

QString DownloadSources::addressVariable(DownloadSource source)
{
    return source == DownloadSource::Overpass ? QStringLiteral("PELAGOR_OVERPASS_URL") : QStringLiteral("PELAGOR_API_URL");
}

QString DownloadSources::address(DownloadSource source)
{
    const QByteArray configured = qgetenv(addressVariable(source).toLatin1().constData());
    if (!configured.isEmpty())
        return QString::fromUtf8(configured);
    // The editing API is plain HTTP, as it answers; the main public Overpass instance.
    return source == DownloadSource::Overpass ? QStringLiteral("https://overpass-api.de/api/interpreter")
                                              : QStringLiteral("http://api.openstreetmap.org/api/0.6/map");
}

QString DownloadSources::addressProblem(DownloadSource source)
{
    const QString text = address(source);
    const QUrl url(text);
    if (url.isValid() && (url.scheme() == "http" || url.scheme() == "https") && !url.host().isEmpty())
        return QString();
    return QString("%1 \"%2\" is not an http or https URL").arg(addressVariable(source), text);
}
