#include "download/PieceStore.h"

#include "download/PiecePlan.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

namespace {

qint64 pieceLimit = qint64(256) * 1024 * 1024;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Past a byte order mark, blanks, the XML declaration, comments and a document type: the root
// element must be <osm>.
bool startsWithOsmRoot(const QByteArray& head)
{
    int i = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (true) {
        while (i < head.size() && isBlank(head.at(i)))
            ++i;
        if (head.mid(i, 2) == "<?" || head.mid(i, 2) == "<!") {
            const int end = head.indexOf(head.mid(i, 4) == "<!--" ? "-->" : ">", i + 2);
            if (end < 0)
                return false;
            i = end + 1;
            continue;
        }
        const QByteArray root = head.mid(i, 5);
        return root.size() == 5 && root.startsWith("<osm") && (isBlank(root.at(4)) || root.at(4) == '>');
    }
}

bool endsWithOsmEndTag(const QByteArray& tail)
{
    int end = tail.size();
    while (end > 0 && isBlank(tail.at(end - 1)))
        --end;
    return end >= 6 && tail.mid(end - 6, 6) == "</osm>";
}

} // namespace

PieceStore::PieceStore(const QString& folder)
    : dir(folder)
{
}

qint64 PieceStore::maxPieceBytes()
{
    return pieceLimit;
}

void PieceStore::limitForTests(qint64 bytes)
{
    pieceLimit = bytes;
}

bool PieceStore::isWholeDocument(const QByteArray& head, const QByteArray& tail)
{
    return startsWithOsmRoot(head) && endsWithOsmEndTag(tail);
}

bool PieceStore::isWholeDocument(const QByteArray& data)
{
    return isWholeDocument(data.left(headBytes), data.right(tailBytes));
}

QString PieceStore::filePath(const QRect& piece) const
{
    return QString("%1%2.%3").arg(dir, PiecePlan::pieceName(piece), PiecePlan::fileExtension);
}

bool PieceStore::hasFile(const QRect& piece) const
{
    return QFile::exists(filePath(piece));
}

bool PieceStore::hasWholeFile(const QRect& piece) const
{
    // A file left cut short or empty (by a crash of another program, say), or one too large to
    // be a real piece, is fetched again.
    QFile file(filePath(piece));
    if (!file.open(QIODevice::ReadOnly) || file.size() > pieceLimit)
        return false;
    const QByteArray head = file.read(headBytes);
    if (!file.seek(qMax<qint64>(0, file.size() - tailBytes)))
        return false;
    return isWholeDocument(head, file.read(tailBytes));
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
