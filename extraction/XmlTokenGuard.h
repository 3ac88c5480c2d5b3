#ifndef EXTRACTION_XMLTOKENGUARD_H
#define EXTRACTION_XMLTOKENGUARD_H

// A read-only device that passes the bytes of another device to the XML reader, but ends the
// document where one token grows beyond a limit: a run of text or blanks between markup, or
// one piece of markup (a tag with its attribute values, a comment, a CDATA section, a
// processing instruction, a document type). The reader holds a token whole, so without this a
// few kilobytes of compressed blanks could fill gigabytes. It follows the lexical structure of
// XML just far enough to tell where a token ends. Used in the processing worker thread.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>

class XmlTokenGuard : public QIODevice
{
public:
    // The longest token let through; no real OpenStreetMap file comes near it.
    static constexpr qint64 defaultLimit = qint64(32) * 1024 * 1024;

    // Reads from `source` (opened, not owned) and ends the data after `limit` bytes of one token.
    explicit XmlTokenGuard(QIODevice* source, qint64 limit = defaultLimit);

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    void close() override;

    // The data was ended early: a token was longer than the limit, starting at this byte, or
    // the document is in an encoding whose bytes cannot be followed (then nothing after its
    // first bytes is passed on, and refusal() says why).
    bool tripped() const { return trippedAt >= 0; }
    bool refused() const { return !refusalText.isEmpty(); }
    QString refusal() const { return refusalText; }
    qint64 trippedAtByte() const { return trippedAt; }
    qint64 limit() const { return maxRun; }
    // Called after each block taken from the source (for the progress of the reading).
    void setReadHook(std::function<void()> hook) { readHook = std::move(hook); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    enum State { Text, Open, Tag, Quoted, Comment, CData, Instruction, Declaration, DeclarationQuoted };

    // Follows the tokens over `size` bytes; returns how many may be passed on (fewer when a
    // token grew beyond the limit).
    qint64 scan(const char* data, qint64 size);
    // Judges the encoding on the first bytes; false when the document is not to be read.
    bool encodingReadable(const char* data, qint64 size);
    // One byte after a '<', until the kind of markup is known.
    void classify(char c);
    // From `i` on: the rest of a run of text or of a quoted value; the rest of a comment, CDATA
    // section or processing instruction; one byte of other markup. Each returns where the
    // scan goes on.
    qint64 skipRun(const char* data, qint64 i, qint64 size);
    qint64 skipToMarkupEnd(const char* data, qint64 i, qint64 size);
    void step(char c);
    void begin(State next) { state = next; }

    QIODevice* source;
    qint64 maxRun;
    qint64 position = 0; // bytes passed on so far
    qint64 runStart = 0; // where the current token began
    qint64 trippedAt = -1;
    State state = Text;
    QByteArray opening; // the bytes of markup read so far while its kind is not yet known
    char quote = 0;
    char last[2] = {0, 0}; // the two bytes before the current one, for the ends "-->", "]]>", "?>"
    int brackets = 0; // of a document type's internal subset
    std::function<void()> readHook;
    QByteArray prologue; // the first bytes, until the encoding is judged
    bool encodingJudged = false;
    QString refusalText;
};

#endif
