#ifndef DOWNLOAD_PIECESTORE_H
#define DOWNLOAD_PIECESTORE_H

// The piece files of one download folder: where a piece's file lies, whether a file there can
// stand for the piece, and storing a reply so that it appears under its name only when it is
// completely written. Plain functions of the folder; usable in any thread.
#include <QRect>
#include <QString>

class QByteArray;

class PieceStore
{
public:
    enum class Saved { Yes, NotCreated, NotWritten };

    // `folder` ends with '/': "data/download/".
    explicit PieceStore(const QString& folder);

    const QString& folder() const { return dir; }
    // folder + "W-S-E-N.osm".
    QString filePath(const QRect& piece) const;
    // A file under the piece's name is on disk, so the piece need not be fetched.
    bool hasFile(const QRect& piece) const;
    // Replaces the piece's file with `data` at once or not at all; `failure` says why not.
    Saved save(const QRect& piece, const QByteArray& data, QString* failure = nullptr) const;

private:
    QString dir;
};

#endif
