#include "download/RetryPolicy.h"

#include <QtTest>

// The waits before a piece is asked for again: the server's Retry-After when it sends one
// (capped), otherwise a doubling from 5 s up to 5 minutes.
class tst_RetryPolicy : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void waitBeforeNextTry_data();
    void waitBeforeNextTry();
};

void tst_RetryPolicy::waitBeforeNextTry_data()
{
    QTest::addColumn<QByteArray>("retryAfter");
    QTest::addColumn<int>("failuresInARow");
    QTest::addColumn<qint64>("seconds");
    const QList<qint64> doubling = {5, 10, 20, 40, 80, 160, 300, 300};
    for (int i = 0; i < doubling.size(); ++i)
        QTest::addRow("no Retry-After, failure %d", i + 1) << QByteArray() << i + 1 << doubling[i];
    QTest::newRow("seconds") << QByteArray("30") << 4 << qint64(30);
    QTest::newRow("seconds with blanks") << QByteArray(" 12 ") << 1 << qint64(12);
    QTest::newRow("zero") << QByteArray("0") << 3 << qint64(0);
    QTest::newRow("an hour is capped at 15 minutes") << QByteArray("3600") << 1 << qint64(900);
    QTest::newRow("more digits than any wait") << QByteArray("99999999999999999999") << 1 << qint64(900);
    QTest::newRow("HTTP date 90 s ahead") << QByteArray("Mon, 07 Dec 2026 12:01:30 GMT") << 1 << qint64(90);
    QTest::newRow("HTTP date a day ahead") << QByteArray("Tue, 08 Dec 2026 12:00:00 GMT") << 1 << qint64(900);
    QTest::newRow("HTTP date in the past") << QByteArray("Mon, 07 Dec 2026 11:00:00 GMT") << 2 << qint64(0);
    QTest::newRow("RFC 850 date 90 s ahead") << QByteArray("Monday, 07-Dec-26 12:01:30 GMT") << 1 << qint64(90);
    QTest::newRow("RFC 850 date of the last century") << QByteArray("Sunday, 06-Nov-94 08:49:37 GMT") << 1
                                                      << qint64(0);
    QTest::newRow("asctime date 90 s ahead") << QByteArray("Mon Dec  7 12:01:30 2026") << 1 << qint64(90);
    QTest::newRow("RFC 850 date without GMT: the doubling") << QByteArray("Monday, 07-Dec-26 12:01:30") << 1
                                                           << qint64(5);
    QTest::newRow("neither: the doubling") << QByteArray("soon") << 2 << qint64(10);
    QTest::newRow("negative: the doubling") << QByteArray("-5") << 1 << qint64(5);
}

void tst_RetryPolicy::waitBeforeNextTry()
{
    QFETCH(QByteArray, retryAfter);
    QFETCH(int, failuresInARow);
    QFETCH(qint64, seconds);
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
    QCOMPARE(RetryPolicy::current().waitMs(retryAfter, failuresInARow, now), seconds * 1000);
}

QTEST_GUILESS_MAIN(tst_RetryPolicy)
#include "tst_RetryPolicy.moc"
