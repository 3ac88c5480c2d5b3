#ifndef TESTS_SUPPORT_ENCODEDBODIES_H
#define TESTS_SUPPORT_ENCODEDBODIES_H

// Bodies as servers send them with a Content-Encoding, for the fake servers and the tests of
// the decoder: gzip and deflate streams, and a gzip bomb made on the spot.
#include <QByteArray>

namespace EncodedBodies {

// One gzip member of `data`.
QByteArray gzip(const QByteArray& data);
// `data` as HTTP's deflate: a zlib stream, or with `raw` the bare deflate data.
QByteArray deflate(const QByteArray& data, bool raw = false);
// A gzip stream that inflates to `inflatedBytes` (rounded up to whole MiB) of the start of an
// OpenStreetMap document, mostly blanks, never ended: one member of a MiB, repeated. A few
// kilobytes per gigabyte.
QByteArray osmBomb(qint64 inflatedBytes);
// The data with 4 KiB of zero bytes over its middle (or all of it, when shorter).
QByteArray zeroedMiddle(const QByteArray& data);

} // namespace EncodedBodies

#endif
