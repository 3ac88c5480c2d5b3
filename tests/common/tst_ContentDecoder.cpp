#include "common/ContentDecoder.h"
#include "tests/support/EncodedBodies.h"

#include <QtTest>

// The decoder of every answer: what it makes of the encodings servers send, fed whole or in
// pieces as small as one byte (the boundaries of a transfer fall anywhere), and where its limit
// stops it.
class tst_ContentDecoder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decode_data();
    void decode();
};

namespace {

// Some lines of text, enough for several blocks of deflate output.
QByteArray text()
{
    QByteArray lines;
    for (int i = 0; i < 20000; ++i)
        lines += " <node id=\"" + QByteArray::number(i) + "\"/>\n";
    return lines;
}

} // namespace

void tst_ContentDecoder::decode_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QByteArray>("expected"); // the whole output when it succeeds
    QTest::addColumn<QString>("failure");     // else why: "too large", or the error text

    const QByteArray plain = text();
    const QByteArray gzip = EncodedBodies::gzip(plain);
    const qint64 any = qint64(1) << 30;
    QTest::newRow("no encoding") << QByteArray() << plain << any << plain << "";
    QTest::newRow("identity") << QByteArray("identity") << plain << any << plain << "";
    QTest::newRow("gzip") << QByteArray("gzip") << gzip << any << plain << "";
    QTest::newRow("x-gzip, spelled loosely") << QByteArray(" X-Gzip") << gzip << any << plain << "";
    QTest::newRow("gzip of two members, as gzip -d reads it") << QByteArray("gzip") << gzip + gzip << any
                                                              << plain + plain << "";
    QTest::newRow("bytes after the last member are ignored") << QByteArray("gzip") << gzip + "trailing\n" << any
                                                             << plain << "";
    QTest::newRow("deflate in its zlib wrapper") << QByteArray("deflate") << EncodedBodies::deflate(plain) << any
                                                << plain << "";
    QTest::newRow("deflate without it") << QByteArray("deflate") << EncodedBodies::deflate(plain, true) << any
                                       << plain << "";
    QTest::newRow("exactly the limit") << QByteArray("gzip") << gzip << qint64(plain.size()) << plain << "";
    QTest::newRow("an empty body") << QByteArray("gzip") << QByteArray() << any << QByteArray() << "";

    QTest::newRow("one byte past the limit") << QByteArray("gzip") << gzip << qint64(plain.size() - 1)
                                             << QByteArray() << "too large";
    QTest::newRow("a bomb of 2 GiB against 1 MiB") << QByteArray("gzip") << EncodedBodies::osmBomb(qint64(2) << 30)
                                                   << (qint64(1) << 20) << QByteArray() << "too large";
    QTest::newRow("cut short") << QByteArray("gzip") << gzip.left(gzip.size() / 2) << any << QByteArray()
                               << "gzip data cut short";
    QTest::newRow("the second member cut short") << QByteArray("gzip") << gzip + gzip.left(10) << any << QByteArray()
                                                 << "gzip data cut short";
    QTest::newRow("not gzip at all") << QByteArray("gzip") << plain << any << QByteArray()
                                     << "gzip data corrupted: incorrect header check";
    QTest::newRow("a byte changed") << QByteArray("gzip") << gzip.left(gzip.size() - 8) + "x" + gzip.right(7) << any
                                    << QByteArray() << "gzip data corrupted: incorrect data check";
    QTest::newRow("an encoding not asked for") << QByteArray("br") << gzip << any << QByteArray()
                                               << "unknown content encoding \"br\"";
}

void tst_ContentDecoder::decode()
{
    QFETCH(QByteArray, encoding);
    QFETCH(QByteArray, raw);
    QFETCH(qint64, limit);
    QFETCH(QByteArray, expected);
    QFETCH(QString, failure);
    for (const int step : {int(raw.size()), 1, 4093}) {
        if (step == 1 && raw.size() > 100000)
            continue;
        ContentDecoder decoder(encoding, limit);
        QByteArray output;
        qint64 largestPiece = 0;
        bool going = true;
        for (int i = 0; i < raw.size() && going; i += qMax(step, 1))
            going = decoder.decode(raw.mid(i, qMax(step, 1)), [&](const char* data, qint64 size) {
                output.append(data, int(size));
                largestPiece = qMax(largestPiece, size);
            });
        const bool whole = going && decoder.finish();
        const QString why = decoder.state() == ContentDecoder::State::TooLarge ? "too large" : decoder.errorString();
        QCOMPARE(why, failure);
        QCOMPARE(whole, failure.isEmpty());
        QVERIFY(output.size() <= limit);
        QVERIFY(largestPiece <= ContentDecoder::chunkBytes);
        QCOMPARE(decoder.decodedBytes(), qint64(output.size()));
        if (whole)
            QVERIFY2(output == expected, qPrintable(QString("step %1: %2 bytes").arg(step).arg(output.size())));
    }
}

QTEST_GUILESS_MAIN(tst_ContentDecoder)
#include "tst_ContentDecoder.moc"
