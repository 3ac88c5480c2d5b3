#ifndef COMMON_DATAFOLDERS_H
#define COMMON_DATAFOLDERS_H

// The folders Pelagor keeps its data in, relative to the working directory: the one place
// their names are spelled. data/ itself is made at start-up (the window's tile cache, or the
// command-line programs before they write); each of the others is made one level deep, by
// the part that writes into it, when it is missing, through make().
#include <QDir>
#include <QFileInfo>
#include <QString>

namespace DataFolders {

// Makes one folder (its parent is never made); true when it is a folder afterwards, also when
// it was there already or another process made it meanwhile. There is no look before: between
// a look and the mkdir another run started at the same time may make it, so the mkdir's own
// answer decides, and a folder there after a failed mkdir counts as made. A file where the
// folder belongs stays as it is, and the answer is false.
inline bool make(const QString& path) { return QDir().mkdir(path) || QFileInfo(path).isDir(); }

inline QString root() { return QStringLiteral("./data/"); }
// Makes data/ when it is missing (its parent, the working directory, is never made); false when
// it is not there afterwards.
inline bool makeRoot() { return make(root()); }
// The pieces of the editing API; "overpass/" below it holds the Overpass tiles.
inline QString downloads() { return QStringLiteral("data/download/"); }
inline QString overpassTiles() { return QStringLiteral("data/download/overpass/"); }
// The network files.
inline QString networks() { return QStringLiteral("./data/comp/"); }
// The merged pieces.
inline QString merged() { return QStringLiteral("data/merge/"); }
// The map's tile cache, below data/.
inline QString tileCacheSubfolder() { return QStringLiteral("map_tiles/"); }

} // namespace DataFolders

#endif
