#ifndef DOWNLOAD_OSMDOCUMENTCHECK_H
#define DOWNLOAD_OSMDOCUMENTCHECK_H

// Tells whether bytes fed to it piece by piece make one whole, well-formed OpenStreetMap XML
// document: its root element is <osm>, nothing but blanks follows the root's end, it declares
// no entities, and no token is absurdly long. It reads the bytes as they come (an answer while
// it arrives, a file block by block), so nothing is read twice and its memory stays small
// whatever the bytes hold. Used in the thread of its caller.
#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

class QIODevice;

class OSMDocumentCheck
{
public:
    enum class Outcome {
        Whole,       // a whole document
        Empty,       // no byte at all
        NotOsm,      // no <osm> root element: an error page, a text, garbage
        CutShort,    // a well-formed start whose end never came
        Damaged,     // the root began, then something that is no XML or not allowed there
        ErrorRemark, // whole, but with Overpass's runtime error remark: its data is incomplete
    };

    // One token (a run of text, a tag, a comment) longer than this is no OpenStreetMap data;
    // the XML reader would hold it whole.
    static constexpr qint64 tokenLimit = qint64(32) * 1024 * 1024;

    OSMDocumentCheck();

    // The next bytes. False once they can no longer be a whole document; later bytes are not
    // looked at then.
    bool feed(const char* data, qint64 size);
    bool feed(const QByteArray& bytes) { return feed(bytes.constData(), bytes.size()); }
    // The bytes have ended.
    Outcome finish();
    // Reads the device (open) to its end.
    static Outcome ofDevice(QIODevice& device);

    // For Damaged, where and what ("at line 12: Invalid XML character"); for ErrorRemark, the
    // remark's text.
    const QString& problem() const { return what; }

private:
    // Looks at the token the reader has just given; stops when it makes the document unusable.
    void takeToken();
    void stop(Outcome outcome, const QString& problem = QString());

    QXmlStreamReader reader;
    bool stopped = false;
    Outcome result = Outcome::Empty;
    QString what;
    bool anyByte = false;
    bool rootSeen = false;
    bool rootEnded = false;
    int depth = 0;
    qint64 sinceToken = 0; // bytes fed since the reader last gave a token
    bool inRemark = false; // a <remark> child of the root is being read
    QString remarkText;
    QString errorRemark;
};

#endif
