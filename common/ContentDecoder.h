#ifndef COMMON_CONTENTDECODER_H
#define COMMON_CONTENTDECODER_H

// Inflates the body of an HTTP answer as its bytes arrive, by the answer's Content-Encoding
// (gzip, also of several members as gzip -d reads them; deflate, zlib-wrapped or raw), and
// lets through at most a given number of inflated bytes, so that memory stays near that limit
// whatever the answer holds. Every client asks for its answers with acceptedEncodings and
// reads them through this, so Qt never inflates on its own. Used in the thread of its reply.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class ContentDecoder
{
public:
    // The Accept-Encoding of every request. Set by hand, it also tells Qt to hand over the
    // bytes as they came.
    static const char acceptedEncodings[];

    enum class State {
        Decoding, // more may come
        Ended,    // a whole stream has ended; what follows it is ignored
        TooLarge, // the inflated bytes passed the limit; nothing past it was let through
        Failed,   // the bytes are no stream of the encoding, or it was cut short
    };

    // Gets the inflated bytes in pieces of at most chunkBytes.
    using Sink = std::function<void(const char* data, qint64 size)>;
    static constexpr qint64 chunkBytes = 64 * 1024;

    // `contentEncoding` is the header's value: empty or "identity" for bytes as they are,
    // "gzip" (or "x-gzip"), "deflate"; anything else fails at the first byte.
    ContentDecoder(const QByteArray& contentEncoding, qint64 limit);
    ~ContentDecoder();
    ContentDecoder(const ContentDecoder&) = delete;
    ContentDecoder& operator=(const ContentDecoder&) = delete;

    // Inflates the next bytes of the body. False once the state is TooLarge or Failed: later
    // bytes are not looked at.
    bool decode(const char* data, qint64 size, const Sink& sink);
    bool decode(const QByteArray& raw, const Sink& sink) { return decode(raw.constData(), raw.size(), sink); }
    // Appends the inflated bytes to `out`.
    bool decode(const QByteArray& raw, QByteArray& out);
    // The body has ended: true when it ended a whole stream (always for bytes as they are);
    // otherwise the state is Failed ("cut short") or was TooLarge.
    bool finish();

    State state() const { return current; }
    qint64 decodedBytes() const { return decoded; }
    // Why the state is Failed, for the log: "gzip data corrupted: invalid block type".
    QString errorString() const { return error; }

private:
    struct Stream;
    enum class Coding { Identity, Gzip, Deflate, Unknown };

    bool inflateSome(const char*& data, qint64& size, const Sink& sink);
    bool pass(const char* data, qint64 size, const Sink& sink);
    bool fail(const QString& why);
    // After a gzip member: the next member's start, or bytes that are ignored.
    void afterMember(const char*& data, qint64& size);

    Coding coding;
    QByteArray codingName;
    qint64 limit;
    qint64 decoded = 0;
    State current = State::Decoding;
    QString error;
    std::unique_ptr<Stream> stream; // zlib's state, made at the first byte
    QByteArray pending;             // the first bytes after a gzip member, until the next is known
    QByteArray out;                 // the output buffer of inflate
};

#endif
