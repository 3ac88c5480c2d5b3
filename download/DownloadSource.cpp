#include "download/DownloadSource.h"

#include "common/DataFolders.h"

#include "download/PiecePlan.h"

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
