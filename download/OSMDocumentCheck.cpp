#include "download/OSMDocumentCheck.h"

#include <QIODevice>

namespace {

// Overpass's remark is one line; more of it says nothing more.
constexpr int remarkChars = 4096;

} // namespace

OSMDocumentCheck::OSMDocumentCheck() = default;

void OSMDocumentCheck::stop(Outcome outcome, const QString& problem)
{
    stopped = true;
    result = outcome;
    what = problem;
}

bool OSMDocumentCheck::feed(const char* data, qint64 size)
{
    if (stopped)
        return false;
    if (size <= 0)
        return true;
    anyByte = true;
    reader.addData(QByteArray(data, int(size)));
    bool gotToken = false;
    while (!stopped) {
        if (reader.readNext() == QXmlStreamReader::Invalid) {
            // Out of bytes for now: the reader goes on where it stopped when more come.
            if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                break;
            QString text = reader.errorString();
            if (text.endsWith('.'))
                text.chop(1);
            stop(rootSeen ? Outcome::Damaged : Outcome::NotOsm, QString("at line %1: %2").arg(reader.lineNumber()).arg(text));
            break;
        }
        gotToken = true;
        takeToken();
    }
    // The reader keeps a token until its end has come: a token that never ends would grow
    // without bound.
    sinceToken = gotToken ? 0 : sinceToken + size;
    if (!stopped && sinceToken > tokenLimit)
        stop(Outcome::Damaged, QString("at line %1: a token longer than %2 MiB")
                                   .arg(reader.lineNumber())
                                   .arg(tokenLimit / (1024 * 1024)));
    return !stopped;
}

void OSMDocumentCheck::takeToken()
{
    switch (reader.tokenType()) {
    case QXmlStreamReader::DTD:
        // An entity a document declares could expand without bound; real data declares none.
        if (!reader.entityDeclarations().isEmpty() || !reader.notationDeclarations().isEmpty())
            stop(Outcome::NotOsm, "declares entities");
        break;
    case QXmlStreamReader::StartElement:
        if (rootEnded) {
            stop(Outcome::Damaged, QString("at line %1: content after the end of the document").arg(reader.lineNumber()));
        } else if (!rootSeen) {
            rootSeen = true;
            if (reader.qualifiedName() != QLatin1String("osm"))
                stop(Outcome::NotOsm, "no <osm> root element");
        }
        ++depth;
        if (depth == 2 && reader.qualifiedName() == QLatin1String("remark")) {
            inRemark = true;
            remarkText.clear();
        }
        break;
    case QXmlStreamReader::EndElement:
        if (depth == 2 && inRemark) {
            inRemark = false;
            // Overpass ends an answer that ran out of time or memory with this; its data is not
            // the area's.
            if (errorRemark.isEmpty() && remarkText.contains(QLatin1String("runtime error")))
                errorRemark = remarkText.simplified();
        }
        if (--depth == 0)
            rootEnded = true;
        break;
    case QXmlStreamReader::Characters:
        if (inRemark && remarkText.size() < remarkChars)
            remarkText += reader.text().left(remarkChars - remarkText.size());
        if (rootEnded && !reader.isWhitespace())
            stop(Outcome::Damaged, QString("at line %1: content after the end of the document").arg(reader.lineNumber()));
        break;
    case QXmlStreamReader::Comment:
    case QXmlStreamReader::ProcessingInstruction:
        // Only blanks may follow the root's end.
        if (rootEnded)
            stop(Outcome::Damaged, QString("at line %1: content after the end of the document").arg(reader.lineNumber()));
        break;
    case QXmlStreamReader::EntityReference:
        // One the reader could not resolve.
        stop(rootSeen ? Outcome::Damaged : Outcome::NotOsm,
             QString("at line %1: unresolved entity").arg(reader.lineNumber()));
        break;
    default:
        break;
    }
}

OSMDocumentCheck::Outcome OSMDocumentCheck::finish()
{
    if (stopped)
        return result;
    if (!anyByte)
        stop(Outcome::Empty);
    else if (rootEnded && !errorRemark.isEmpty())
        stop(Outcome::ErrorRemark, errorRemark);
    else if (rootEnded)
        stop(Outcome::Whole);
    else
        stop(rootSeen ? Outcome::CutShort : Outcome::NotOsm);
    return result;
}

OSMDocumentCheck::Outcome OSMDocumentCheck::ofDevice(QIODevice& device)
{
    OSMDocumentCheck check;
    QByteArray block(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = device.read(block.data(), block.size());
        if (got < 0) {
            check.stop(Outcome::Damaged, device.errorString());
            return check.result;
        }
        if (got == 0 || !check.feed(block.constData(), got))
            break;
    }
    return check.finish();
}
