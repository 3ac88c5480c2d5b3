#include "extraction/XmlEncoding.h"

#include <QRegularExpression>

namespace {

const QString onlyReadable = QStringLiteral(", and only UTF-8 and single-byte encodings are read");

// UTF-16 or UTF-32 told by a byte-order mark or, without one, by the zero bytes that the
// document's first character ('<', or a blank) has in them; empty for neither.
QString wideEncoding(const QByteArray& b)
{
    if (b.startsWith(QByteArray("\x00\x00\xfe\xff", 4)))
        return "UTF-32BE";
    if (b.startsWith(QByteArray("\xff\xfe\x00\x00", 4)))
        return "UTF-32LE";
    if (b.startsWith("\xfe\xff"))
        return "UTF-16BE";
    if (b.startsWith("\xff\xfe"))
        return "UTF-16LE";
    if (b.at(0) == 0 && b.at(1) == 0)
        return "UTF-32BE";
    if (b.at(2) == 0 && b.at(3) == 0)
        return "UTF-32LE";
    if (b.at(0) == 0)
        return "UTF-16BE";
    if (b.at(1) == 0)
        return "UTF-16LE";
    return QString();
}

bool singleByteOrUtf8(const QString& name)
{
    static const QRegularExpression readable(
        "^(utf-?8|(us-)?ascii|iso[-_]?8859-[0-9]+|latin-?[0-9]+|windows-125[0-8]|cp125[0-8]|koi8-[ru])$",
        QRegularExpression::CaseInsensitiveOption);
    return readable.match(name).hasMatch();
}

} // namespace

XmlEncoding::Verdict XmlEncoding::judge(const QByteArray& start, QString* reason)
{
    if (start.size() < 4)
        return Undecided;
    const QString wide = wideEncoding(start);
    if (!wide.isEmpty()) {
        if (reason)
            *reason = "it is in " + wide + onlyReadable;
        return Unreadable;
    }
    // The declaration names the encoding the XML reader then decodes the rest in.
    const QByteArray utf8Mark("\xef\xbb\xbf");
    const int from = start.startsWith(utf8Mark) ? utf8Mark.size() : 0;
    const QByteArray opening("<?xml");
    const QByteArray head = start.mid(from, opening.size());
    if (!opening.startsWith(head))
        return Readable;
    // "<?xml-stylesheet" and the like are instructions, not the declaration.
    const int after = from + opening.size();
    if (start.size() > after && !QByteArray(" \t\r\n").contains(start.at(after)))
        return Readable;
    const int end = start.indexOf("?>", from);
    if (end < 0) {
        if (start.size() < prologueLimit)
            return Undecided;
        if (reason)
            *reason = QString("its XML declaration is longer than %1 bytes").arg(prologueLimit);
        return Unreadable;
    }
    static const QRegularExpression encoding("\\sencoding\\s*=\\s*([\"'])([^\"']*)\\1");
    const QRegularExpressionMatch declared =
        encoding.match(QString::fromLatin1(start.constData() + from, end - from));
    if (!declared.hasMatch() || singleByteOrUtf8(declared.captured(2)))
        return Readable;
    if (reason)
        *reason = "it declares the encoding " + declared.captured(2) + onlyReadable;
    return Unreadable;
}
