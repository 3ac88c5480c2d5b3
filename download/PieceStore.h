#ifndef DOWNLOAD_PIECESTORE_H
#define DOWNLOAD_PIECESTORE_H

// The piece files of one download folder: where a piece's file lies, whether a file there can
// stand for the piece (a whole OpenStreetMap document of a sound size), storing a reply so
// that it appears under its name only when it is completely written, and moving a file that
// cannot be read out of the way. Plain functions of the folder; usable in any thread.
#include <QRect>
#include <QString>

class QByteArray;

class PieceStore
{
public:
    enum class Saved { Yes, NotCreated, NotWritten };

    // `folder` ends with '/': "data/download/".
    explicit PieceStore(const QString& folder);

    // The most a piece may hold. The API's own node limit keeps real pieces far below it; an
    // answer above it is refused like an area with too many nodes, and a file above it is
    // never taken as a piece.
    static qint64 maxPieceBytes();
    // Tests only: a smaller limit. Not thread-safe; call it before a run starts.
    static void limitForTests(qint64 bytes);

    // Whether data whose first and last bytes these are looks like a whole OpenStreetMap
    // document: its root element is <osm>, and nothing but blanks follows the root's end tag.
    // An HTML page, an empty body and a document cut short do not.
    static bool looksWhole(const QByteArray& head, const QByteArray& tail);
    // The head and tail that looksWhole() needs.
    static constexpr int headBytes = 4096;
    static constexpr int tailBytes = 64;

    // Where files that the extraction could not read are kept, below the folder.
    static const char unreadableSubfolder[];

    const QString& folder() const { return dir; }
    // folder + "W-S-E-N.osm".
    QString filePath(const QRect& piece) const;
    // The piece's file is on disk, of at most maxPieceBytes(), and reads through as one whole
    // document (OSMDocumentCheck), so the piece need not be fetched.
    bool hasWholeFile(const QRect& piece) const;
    // The same by the file's size and its first and last bytes only: quick enough to count
    // the pieces of an area as the selection moves. A run reads each file through.
    bool hasWholeLookingFile(const QRect& piece) const;
    // Something is on disk under the piece's name, whole or not.
    bool hasFile(const QRect& piece) const;
    // Replaces the piece's file with `data` at once or not at all; `failure` says why not.
    Saved save(const QRect& piece, const QByteArray& data, QString* failure = nullptr) const;
    // Moves the file at `path`, one of this folder's, into unreadableSubfolder under a name that
    // no file there has (the same, or with "-2", "-3" ... before the extension), so that no
    // run takes it for a piece again and nothing is lost. Returns the new path; empty, with
    // `failure` set, when it stays where it is.
    QString setAside(const QString& path, QString* failure = nullptr) const;

private:
    QString dir;
};

#endif
