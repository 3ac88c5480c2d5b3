#include "tests/support/EncodedBodies.h"

#include <zlib.h>

namespace {

QByteArray compressed(const QByteArray& data, int windowBits)
{
    z_stream stream = z_stream();
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 64, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(int(stream.total_out));
    deflateEnd(&stream);
    return out;
}

} // namespace

namespace EncodedBodies {

QByteArray gzip(const QByteArray& data)
{
    return compressed(data, MAX_WBITS + 16);
}

QByteArray deflate(const QByteArray& data, bool raw)
{
    return compressed(data, raw ? -MAX_WBITS : MAX_WBITS);
}

QByteArray osmBomb(qint64 inflatedBytes)
{
    const int mebibyte = 1024 * 1024;
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\" generator=\"bomb\">\n";
    // Blanks, and an element now and then, so that no token of the document is long.
    QByteArray unit(mebibyte - 5, ' ');
    unit += "<x/>\n";
    static const QByteArray member = gzip(unit);
    QByteArray bomb = gzip(head);
    for (qint64 done = 0; done < inflatedBytes; done += mebibyte)
        bomb += member;
    return bomb;
}

QByteArray zeroedMiddle(const QByteArray& data)
{
    QByteArray damaged = data;
    const int size = qMin(4096, damaged.size());
    damaged.replace((damaged.size() - size) / 2, size, QByteArray(size, '\0'));
    return damaged;
}

} // namespace EncodedBodies
