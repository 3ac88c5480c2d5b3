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
// "the OpenStreetMap API" and "the Overpass API", as the log and the questions name them.
QString serviceName(DownloadSource source);
// The environment variable that names another address of the source's service (a user's own
// instance, a test's server): PELAGOR_API_URL (of the map call) or PELAGOR_OVERPASS_URL (of
// the interpreter).
QString addressVariable(DownloadSource source);
// The service's address: the variable's value when it is set, the public service's otherwise.
QString address(DownloadSource source);
// Why the address cannot be asked (it is no http or https URL with a host), for the usage error
// of pelagor-download and the log of a run; empty when it can. Without this, a malformed
// address would be tried again and again as a host that is not found.
QString addressProblem(DownloadSource source);

} // namespace DownloadSources

#endif
