#ifndef DOWNLOAD_FETCHMODE_H
#define DOWNLOAD_FETCHMODE_H

// Whether a download takes a piece (or Overpass tile) whose file is already on disk as it is,
// or asks its source for every piece of the area anew ("Download again", --again). A fresh
// copy replaces a piece file only once it has arrived whole; a piece that fails keeps its old
// file.
enum class FetchMode { UseFilesOnDisk, RequestEveryPiece };

#endif
