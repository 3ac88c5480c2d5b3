#include "extraction/XmlTokenGuard.h"

#include "extraction/XmlEncoding.h"

#include <cstring>

namespace {

const char commentOpening[] = "<!--";
const char cdataOpening[] = "<![CDATA[";

// Whether `opening` is the start of `markup` (a C string), and all of it.
bool startsLike(const QByteArray& opening, const char* markup, bool& whole)
{
    const int length = int(std::strlen(markup));
    whole = opening.size() == length;
    return opening.size() <= length && std::memcmp(opening.constData(), markup, size_t(opening.size())) == 0;
}

} // namespace

XmlTokenGuard::XmlTokenGuard(QIODevice* source, qint64 limit)
    : source(source)
    , maxRun(limit)
{
    open(QIODevice::ReadOnly);
}

bool XmlTokenGuard::atEnd() const
{
    return QIODevice::bytesAvailable() == 0 && (tripped() || source->atEnd());
}

void XmlTokenGuard::close()
{
    source->close();
    QIODevice::close();
}

qint64 XmlTokenGuard::writeData(const char*, qint64)
{
    return -1;
}

qint64 XmlTokenGuard::readData(char* data, qint64 maxSize)
{
    if (tripped())
        return 0;
    const qint64 got = source->read(data, maxSize);
    if (readHook)
        readHook();
    if (got <= 0) {
        if (got < 0)
            setErrorString(source->errorString());
        return got;
    }
    if (!encodingReadable(data, got)) {
        trippedAt = position;
        return 0;
    }
    const qint64 passed = scan(data, got);
    position += passed;
    return passed;
}

bool XmlTokenGuard::encodingReadable(const char* data, qint64 size)
{
    if (encodingJudged)
        return true;
    prologue.append(data, int(qMin<qint64>(size, XmlEncoding::prologueLimit - prologue.size())));
    const XmlEncoding::Verdict verdict = XmlEncoding::judge(prologue, &refusalText);
    if (verdict == XmlEncoding::Undecided)
        return true; // only the start of a declaration passes, which the reader cannot act on
    encodingJudged = true;
    prologue = QByteArray();
    return verdict == XmlEncoding::Readable;
}

void XmlTokenGuard::classify(char c)
{
    opening += c;
    if (opening.size() == 2 && c == '?') {
        begin(Instruction);
        return;
    }
    if (opening.size() == 2 && c != '!') {
        begin(Tag);
        if (c == '"' || c == '\'') {
            quote = c;
            begin(Quoted);
        } else if (c == '>') {
            begin(Text);
        }
        return;
    }
    bool wholeComment = false;
    bool wholeCdata = false;
    const bool comment = startsLike(opening, commentOpening, wholeComment);
    const bool cdata = startsLike(opening, cdataOpening, wholeCdata);
    if (wholeComment || wholeCdata) {
        last[0] = last[1] = 0;
        begin(wholeComment ? Comment : CData);
    } else if (!comment && !cdata) {
        // A document type or another declaration: its internal subset is in brackets.
        brackets = opening.count('[') - opening.count(']');
        begin(Declaration);
        if (c == '"' || c == '\'') {
            quote = c;
            begin(DeclarationQuoted);
        } else if (c == '>' && brackets <= 0) {
            begin(Text);
        }
    }
}

qint64 XmlTokenGuard::skipRun(const char* data, qint64 i, qint64 size)
{
    // The bulk of a file: runs until the next '<' or the closing quote.
    const char wanted = state == Text ? '<' : quote;
    const void* found = std::memchr(data + i, wanted, size_t(size - i));
    if (!found)
        return size;
    if (state == Text) {
        opening = "<";
        begin(Open);
    } else {
        begin(state == Quoted ? Tag : Declaration);
    }
    return static_cast<const char*>(found) - data + 1;
}

qint64 XmlTokenGuard::skipToMarkupEnd(const char* data, qint64 i, qint64 size)
{
    // Up to a '>' that the end of the markup ("-->", "]]>", "?>") comes before.
    const void* found = std::memchr(data + i, '>', size_t(size - i));
    const qint64 end = found ? static_cast<const char*>(found) - data : size;
    for (qint64 j = qMax(i, end - 2); j < end; ++j) {
        last[0] = last[1];
        last[1] = data[j];
    }
    if (!found)
        return size;
    const bool ends = state == Comment ? last[0] == '-' && last[1] == '-'
        : state == CData               ? last[0] == ']' && last[1] == ']'
                                       : last[1] == '?';
    last[0] = last[1];
    last[1] = '>';
    if (ends)
        begin(Text);
    return end + 1;
}

void XmlTokenGuard::step(char c)
{
    if (state == Open) {
        classify(c);
    } else if (c == '"' || c == '\'') {
        quote = c;
        begin(state == Tag ? Quoted : DeclarationQuoted);
    } else if (state == Declaration && (c == '[' || c == ']')) {
        brackets += c == '[' ? 1 : -1;
    } else if (c == '>' && (state == Tag || brackets <= 0)) {
        begin(Text);
    }
}

qint64 XmlTokenGuard::scan(const char* data, qint64 size)
{
    qint64 i = 0;
    while (i < size) {
        const State before = state;
        if (state == Text || state == Quoted || state == DeclarationQuoted)
            i = skipRun(data, i, size);
        else if (state == Comment || state == CData || state == Instruction)
            i = skipToMarkupEnd(data, i, size);
        else
            step(data[i++]);
        // A token ends where the next begins: text at a '<', markup after its '>'.
        if (before != Text && state == Text)
            runStart = position + i;
        else if (before == Text && state != Text)
            runStart = position + i - 1;
        if (position + i - runStart > maxRun) {
            trippedAt = runStart;
            return qMax<qint64>(0, runStart + maxRun - position);
        }
    }
    return size;
}
