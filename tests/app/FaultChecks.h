#ifndef TESTS_APP_FAULTCHECKS_H
#define TESTS_APP_FAULTCHECKS_H

// Checks of what a processing run left on disk after a fault, shared by the fault table
// and the window closing tests. Each check returns an empty text when the folder is in
// order, otherwise a description of the first thing that is not.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace FaultChecks {

// Every entry of the folder, hidden ones included, by name.
QStringList entries(const QString& folder);
// Whether the name is that of the temporary file a save writes before giving it its final
// name: the final ".osm" name, a dot and six characters.
bool isTemporary(const QString& name);

// Every entry of the piece folder is a piece file "W-S-E-N.osm" whose bytes equal the file
// of the same name in the first of `served` that has one: nothing cut short, nothing
// stray (a temporary of an unfinished write, say).
// After a crash the temporary of an unfinished write ("<final name>.XXXXXX") may remain;
// with `temporariesLeft` such entries pass.
QString checkPieces(const QString& folder, const QStringList& served, bool temporariesLeft = false);

// Every entry of the network file folder is a complete network file: named "*.osm", keeping
// the rules every network file keeps (those the extraction fuzzer checks: well-formed and
// whole, the OSM root, nd refs to written nodes, no id twice), and read by osmium without
// error.
QString checkNetworkFiles(const QString& folder, bool temporariesLeft = false);
QString checkNetworkFile(const QString& path);

// A small complete network file, as an earlier run leaves it.
QByteArray earlierNetworkFile();

} // namespace FaultChecks

#endif
