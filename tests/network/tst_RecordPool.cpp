#include "network/RecordPool.h"

#include <QtTest>
#include <cstring>
#include <vector>

// Records of one size from chunks of 1 MiB: a record handed out is never handed out again while
// it lives, whatever was released before, and keeps what was written into it.
class tst_RecordPool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void recordsStayApart_data();
    void recordsStayApart();
};

namespace {

struct Record
{
    void* memory;
    int mark;
};

void write(const Record& record, std::size_t size)
{
    std::memset(record.memory, record.mark & 0xff, size);
}

bool intact(const Record& record, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(record.memory);
    for (std::size_t i = 0; i < size; ++i)
        if (bytes[i] != (record.mark & 0xff))
            return false;
    return true;
}

} // namespace

void tst_RecordPool::recordsStayApart_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("releaseEvery"); // every n-th record is released and allocated again
    QTest::newRow("one record") << 40 << 1 << 1;
    QTest::newRow("chunks filled and emptied") << 40 << 3 * 26000 << 1;
    QTest::newRow("every third of several chunks") << 48 << 3 * 22000 << 3;
    QTest::newRow("an odd size") << 13 << 100000 << 2;
}

void tst_RecordPool::recordsStayApart()
{
    QFETCH(int, size);
    QFETCH(int, count);
    QFETCH(int, releaseEvery);
    RecordPool pool{std::size_t(size)};
    std::vector<Record> records;
    int mark = 0;
    const auto take = [&] {
        records.push_back({pool.allocate(), ++mark});
        write(records.back(), std::size_t(size));
    };
    for (int i = 0; i < count; ++i)
        take();
    // Released from the back, so that whole chunks empty, then taken again.
    for (int round = 0; round < 2; ++round) {
        std::vector<Record> kept;
        for (std::size_t i = records.size(); i-- > 0;) {
            if (i % std::size_t(releaseEvery) == 0)
                pool.release(records[i].memory);
            else
                kept.push_back(records[i]);
        }
        records.swap(kept);
        while (records.size() < std::size_t(count))
            take();
    }
    std::vector<const char*> starts;
    for (const Record& record : records) {
        QVERIFY(intact(record, std::size_t(size)));
        starts.push_back(static_cast<const char*>(record.memory));
    }
    std::sort(starts.begin(), starts.end());
    for (std::size_t i = 1; i < starts.size(); ++i)
        QVERIFY(starts[i] - starts[i - 1] >= size);
    for (const Record& record : records)
        pool.release(record.memory);
}

QTEST_GUILESS_MAIN(tst_RecordPool)
#include "tst_RecordPool.moc"
