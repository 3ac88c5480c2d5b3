#ifndef EXTRACTION_XMLENCODING_H
#define EXTRACTION_XMLENCODING_H

// Which encodings of an XML file the readers take. The token guard follows markup by its
// bytes ('<', '>', quotes), which only holds where those characters are single bytes and no
// other character contains them: UTF-8 and the single-byte encodings. In UTF-16 or UTF-32 a
// character such as U+3E3C is the bytes of "<>", so a run of text the XML reader holds whole
// would pass the guard as many tiny tokens. OpenStreetMap files are UTF-8; a file in another
// encoding is not read at all.
#include <QByteArray>
#include <QString>

class XmlEncoding
{
public:
    enum Verdict { Undecided, Readable, Unreadable };

    // The first bytes the judgement may need: a byte-order mark and the XML declaration.
    static constexpr int prologueLimit = 4096;

    // Judges a document by its first bytes (`start`, at most prologueLimit of them). Undecided
    // while more bytes are needed. For an unreadable document `reason` says why ("it is in
    // UTF-16LE, ...").
    static Verdict judge(const QByteArray& start, QString* reason);
};

#endif
