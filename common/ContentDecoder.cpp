#include "common/ContentDecoder.h"

#include <zlib.h>

#include <climits>

const char ContentDecoder::acceptedEncodings[] = "gzip, deflate";

struct ContentDecoder::Stream
{
    z_stream z = z_stream();
    bool open = false;
    bool memberOpen = false; // inside a gzip member or deflate stream, its end not yet seen

    bool begin(int windowBits)
    {
        open = inflateInit2(&z, windowBits) == Z_OK;
        return open;
    }
    ~Stream()
    {
        if (open)
            inflateEnd(&z);
    }
};

namespace {

// gzip's magic number: each member starts with it.
bool isGzipStart(const char* data)
{
    return static_cast<unsigned char>(data[0]) == 0x1f && static_cast<unsigned char>(data[1]) == 0x8b;
}

// A zlib header (RFC 1950): method 8, and the two bytes a multiple of 31. HTTP's "deflate" is
// this format, but some servers send the raw deflate data without it.
bool isZlibHeader(const char* data)
{
    const unsigned first = static_cast<unsigned char>(data[0]);
    const unsigned second = static_cast<unsigned char>(data[1]);
    return (first & 0x0f) == 8 && (first >> 4) <= 7 && (first * 256 + second) % 31 == 0;
}

} // namespace

ContentDecoder::ContentDecoder(const QByteArray& contentEncoding, qint64 limit)
    : codingName(contentEncoding.trimmed().toLower())
    , limit(limit)
{
    if (codingName.isEmpty() || codingName == "identity")
        coding = Coding::Identity;
    else if (codingName == "gzip" || codingName == "x-gzip")
        coding = Coding::Gzip;
    else if (codingName == "deflate")
        coding = Coding::Deflate;
    else
        coding = Coding::Unknown;
    if (coding == Coding::Gzip || coding == Coding::Deflate)
        out.resize(int(chunkBytes));
}

ContentDecoder::~ContentDecoder() = default;

bool ContentDecoder::fail(const QString& why)
{
    current = State::Failed;
    error = why;
    return false;
}

bool ContentDecoder::pass(const char* data, qint64 size, const Sink& sink)
{
    if (size > limit - decoded) {
        current = State::TooLarge;
        return false;
    }
    decoded += size;
    if (size > 0)
        sink(data, size);
    return true;
}

bool ContentDecoder::decode(const QByteArray& raw, QByteArray& output)
{
    return decode(raw, [&output](const char* data, qint64 size) { output.append(data, int(size)); });
}

bool ContentDecoder::decode(const char* data, qint64 size, const Sink& sink)
{
    while (size > 0 && current == State::Decoding) {
        if (coding == Coding::Identity) {
            const qint64 part = qMin(size, chunkBytes);
            if (!pass(data, part, sink))
                return false;
            data += part;
            size -= part;
            continue;
        }
        if (coding == Coding::Unknown)
            return fail(QString("unknown content encoding \"%1\"").arg(QString::fromLatin1(codingName)));
        if (!stream || !stream->memberOpen) {
            // The start of the stream, or what follows a gzip member: two bytes tell what it is.
            const int wanted = int(qMin<qint64>(size, 2 - pending.size()));
            pending.append(data, wanted);
            data += wanted;
            size -= wanted;
            if (pending.size() < 2)
                return true;
            const QByteArray head = pending;
            pending.clear();
            if (!stream) {
                stream.reset(new Stream);
                const bool zlib = coding == Coding::Gzip || isZlibHeader(head.constData());
                if (!stream->begin(coding == Coding::Gzip ? MAX_WBITS + 16 : zlib ? MAX_WBITS : -MAX_WBITS))
                    return fail(QString("%1 decoder not available").arg(QString::fromLatin1(codingName)));
            } else if (!isGzipStart(head.constData())) {
                // As gzip -d: bytes after a member that start no other are ignored.
                current = State::Ended;
                return true;
            } else if (inflateReset(&stream->z) != Z_OK) {
                return fail(QString("%1 decoder not available").arg(QString::fromLatin1(codingName)));
            }
            stream->memberOpen = true;
            const char* headData = head.constData();
            qint64 headSize = head.size();
            if (!inflateSome(headData, headSize, sink))
                return false;
            continue;
        }
        if (!inflateSome(data, size, sink))
            return false;
    }
    return current != State::TooLarge && current != State::Failed;
}

bool ContentDecoder::inflateSome(const char*& data, qint64& size, const Sink& sink)
{
    z_stream& z = stream->z;
    while (stream->memberOpen && (size > 0 || z.avail_out == 0)) {
        const uInt given = uInt(qMin<qint64>(size, UINT_MAX));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z.avail_in = given;
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        const int result = inflate(&z, Z_NO_FLUSH);
        data += given - z.avail_in;
        size -= given - z.avail_in;
        if (!pass(out.constData(), out.size() - qint64(z.avail_out), sink))
            return false;
        if (result == Z_STREAM_END) {
            stream->memberOpen = false;
            if (coding == Coding::Deflate)
                current = State::Ended; // what follows the stream is ignored
            return true;
        }
        if (result == Z_BUF_ERROR && z.avail_in == 0)
            return true; // all input taken; more must come
        if (result != Z_OK)
            return fail(QString("%1 data corrupted: %2")
                            .arg(QString::fromLatin1(codingName),
                                 z.msg ? QString::fromLatin1(z.msg) : QString("zlib error %1").arg(result)));
    }
    return true;
}

bool ContentDecoder::finish()
{
    if (current == State::TooLarge || current == State::Failed)
        return false;
    if (current == State::Ended || coding == Coding::Identity)
        return true;
    // No byte at all: an empty body, which nothing encoded. A byte after a gzip member that
    // could not start another is ignored like any such byte.
    if (!stream)
        return pending.isEmpty() || fail(QString("%1 data cut short").arg(QString::fromLatin1(codingName)));
    if (stream->memberOpen)
        return fail(QString("%1 data cut short").arg(QString::fromLatin1(codingName)));
    return true;
}
