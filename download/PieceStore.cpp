#include "download/PieceStore.h"

#include "download/PiecePlan.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

PieceStore::PieceStore(const QString& folder)
    : dir(folder)
{
}

QString PieceStore::filePath(const QRect& piece) const
{
    return QString("%1%2.%3").arg(dir, PiecePlan::pieceName(piece), PiecePlan::fileExtension);
}

bool PieceStore::hasFile(const QRect& piece) const
{
    return QFile::exists(filePath(piece));
}

PieceStore::Saved PieceStore::save(const QRect& piece, const QByteArray& data, QString* failure) const
{
    // The piece appears under its final name only once it is completely written, so a file cut
    // short by a full disk or a killed process is never taken for a complete piece by a later run.
    QSaveFile file(filePath(piece));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        if (failure)
            *failure = file.errorString();
        return Saved::NotCreated;
    }
    // A short write means the disk refused the rest.
    if (file.write(data) != data.size())
        file.cancelWriting();
    if (!file.commit()) {
        if (failure)
            *failure = file.errorString();
        return Saved::NotWritten;
    }
    return Saved::Yes;
}
