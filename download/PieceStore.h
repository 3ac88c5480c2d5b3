#ifndef DOWNLOAD_PIECESTORE_H
#define DOWNLOAD_PIECESTORE_H

// The piece files of one download folder: where a piece's file lies, whether a file there can
// stand for the piece (a whole OpenStreetMap document of a sound size), and storing a reply so
// that it appears under its name only when it is completely written. Plain functions of the
// folder; usable in any thread.
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

    // Whether data whose first and last bytes these are is a whole OpenStreetMap document: its
    // root element is <osm>, and nothing but blanks follows the root's end tag. An HTML page,
    // an empty body and a document cut short are not.
    static bool isWholeDocument(const QByteArray& head, const QByteArray& tail);
    static bool isWholeDocument(const QByteArray& data);
    // The head and tail that isWholeDocument() needs.
    static constexpr int headBytes = 4096;
    static constexpr int tailBytes = 64;

    const QString& folder() const { return dir; }
    // folder + "W-S-E-N.osm".
    QString filePath(const QRect& piece) const;
    // The piece's file is on disk, a whole document of at most maxPieceBytes(), so the piece
    // need not be fetched.
    bool hasWholeFile(const QRect& piece) const;
    // Something is on disk under the piece's name, whole or not.
    bool hasFile(const QRect& piece) const;
    // Replaces the piece's file with `data` at once or not at all; `failure` says why not.
    Saved save(const QRect& piece, const QByteArray& data, QString* failure = nullptr) const;

private:
    QString dir;
};

#endif
