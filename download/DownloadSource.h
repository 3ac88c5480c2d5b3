#ifndef DOWNLOAD_DOWNLOADSOURCE_H
#define DOWNLOAD_DOWNLOADSOURCE_H

// Where a download takes the area's data from: the OpenStreetMap editing API in pieces of
// 0.01 degree, or the Overpass API in one request per area (or per tile of a large area).
#include <QString>

enum class DownloadSource { Api, Overpass };

namespace DownloadSources {

// "api" and "overpass", as the command line and the settings spell them.
QString name(DownloadSource source);
// False when `text` names no source.
bool fromName(const QString& text, DownloadSource& source);
// The folder of the source's files, relative to the working directory: "data/download/" for
// the API's pieces, "data/download/overpass/" for Overpass tiles.
QString folder(DownloadSource source);
// The side of the pieces an area is cut into, in grid units of 0.001 degree: 10 for the API,
// 250 (0.25 degree) for Overpass.
int tileSize(DownloadSource source);

} // namespace DownloadSources

#endif
