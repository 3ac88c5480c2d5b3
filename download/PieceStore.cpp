#include "download/PieceStore.h"

#include "download/OSMDocumentCheck.h"
#include "download/PiecePlan.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

const char PieceStore::unreadableSubfolder[] = "unreadable/";

bool PieceStore::looksWhole(const QByteArray& head, const QByteArray& tail)
{
    return startsWithOsmRoot(head) && endsWithOsmEndTag(tail);
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
    // A file left cut short or empty (by a crash of another program, say), damaged anywhere in
    // it, or too large to be a real piece, is fetched again.
    QFile file(filePath(piece));
    if (!file.open(QIODevice::ReadOnly) || file.size() > pieceLimit)
        return false;
    return OSMDocumentCheck::ofDevice(file) == OSMDocumentCheck::Outcome::Whole;
}

bool PieceStore::hasWholeLookingFile(const QRect& piece) const
{
    QFile file(filePath(piece));
    if (!file.open(QIODevice::ReadOnly) || file.size() > pieceLimit)
        return false;
    const QByteArray head = file.read(headBytes);
    if (!file.seek(qMax<qint64>(0, file.size() - tailBytes)))
        return false;
    return looksWhole(head, file.read(tailBytes));
}

QString PieceStore::setAside(const QString& path, QString* failure) const
{
    const QString aside = dir + unreadableSubfolder;
    // mkpath: another run may make the folder at the same moment.
    if (!QDir().mkpath(aside)) {
        if (failure)
            *failure = QString("could not create folder \"%1\"").arg(aside);
        return QString();
    }
    const QFileInfo info(path);
    // A rename never replaces a file, so two runs at once cannot lose one of theirs.
    for (int n = 1;; ++n) {
        const QString target = aside + (n == 1 ? info.fileName()
                                               : QString("%1-%2.%3").arg(info.completeBaseName()).arg(n).arg(info.suffix()));
        if (QFileInfo::exists(target))
            continue;
        QFile file(path);
        if (file.rename(target))
            return target;
        if (!QFileInfo::exists(target)) {
            if (failure)
                *failure = file.errorString();
            return QString();
        }
    }
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
