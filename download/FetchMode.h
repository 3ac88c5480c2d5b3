#ifndef DOWNLOAD_FETCHMODE_H
#define DOWNLOAD_FETCHMODE_H

// Whether a download takes a piece whose file is already on disk as it is, or asks the API
// for every piece of the area anew ("Download again"). A fresh copy replaces a piece file only
// once it has arrived whole; a piece that fails keeps its old file.
enum class FetchMode { UseFilesOnDisk, RequestEveryPiece };

#endif
