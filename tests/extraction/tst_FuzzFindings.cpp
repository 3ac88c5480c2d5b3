#include "fuzz/FuzzExtraction.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QtTest>

// The extraction fuzz target's path run over its committed seeds and over every input it
// found a fault with: the network file is written and keeps the rules that hold for any
// input, and each finding ends the way the readers define.
class tst_FuzzFindings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void seeds_data();
    void seeds();
    void rulesCatchBrokenFiles_data();
    void rulesCatchBrokenFiles();

private:
    TestWorkDir* work = nullptr;
};

void tst_FuzzFindings::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
}

void tst_FuzzFindings::cleanup()
{
    delete work;
    work = nullptr;
}

void tst_FuzzFindings::seeds_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(QStringLiteral(PELAGOR_FUZZ_CORPUS "/extraction"));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY2(names.size() >= 8, "the committed seeds of fuzz/corpus are missing");
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void tst_FuzzFindings::seeds()
{
    QFETCH(QString, path);
    StderrCapture err;
    QStringList messages;
    bool written = false;
    const QString failure = FuzzExtraction::run(TestWorkDir::readFile(path), &messages, &written);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY(written);
    QVERIFY(!messages.isEmpty());
    QVERIFY2(messages.last().startsWith("OK\n    Node count: "), qPrintable(messages.last()));
    // Nothing of the run stays behind: the next input starts from the same state.
    QCOMPARE(QDir("data/comp").entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(!QFile::exists(FuzzExtraction::inputName));
}

// The rules themselves must see a broken network file, or the fuzz target could not.
void tst_FuzzFindings::rulesCatchBrokenFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    // The start of the text: Qt words the reader's own errors.
    QTest::addColumn<QString>("failure");
    const QByteArray root = "<osm version=\"0.6\" generator=\"Pelagor\">";
    QTest::newRow("sound") << root + "<node id=\"1\"/><node id=\"2\"/><way id=\"1\"><nd ref=\"1\"/>"
                                     "<nd ref=\"2\"/></way><relation id=\"1\"/></osm>"
                           << QString();
    QTest::newRow("root without attributes") << QByteArray("<osm><node id=\"1\"/></osm>")
                                             << "root without version 0.6 and generator Pelagor";
    QTest::newRow("not closed") << root + "<node id=\"1\"/>" << "network file not well-formed: ";
    QTest::newRow("control character") << root + "<tag v=\"\x01\"/></osm>" << "network file not well-formed: ";
    QTest::newRow("nd before its node") << root + "<way id=\"1\"><nd ref=\"1\"/></way><node id=\"1\"/></osm>"
                                        << "nd ref 1 names no written node";
    QTest::newRow("nd without ref") << root + "<node id=\"0\"/><way id=\"1\"><nd/></way></osm>"
                                    << "nd ref  names no written node";
    QTest::newRow("way twice") << root + "<way id=\"-5\"/><way id=\"-5\"/></osm>" << "way -5 written twice";
    QTest::newRow("relation twice") << root + "<relation id=\"7\"/><way id=\"7\"/><relation id=\"7\"/></osm>"
                                    << "relation 7 written twice";
    QTest::newRow("no line end after the root") << root + "<node id=\"1\"/></osm>"
                                                << "network file does not end with its root element and a line end";
}

void tst_FuzzFindings::rulesCatchBrokenFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, failure);
    // The writer ends every file with a line end; only the last row leaves it out.
    const bool lineEnd = QTest::currentDataTag() != QLatin1String("no line end after the root");
    const QString actual = FuzzExtraction::checkNetworkFile(lineEnd ? content + "\n" : content);
    QVERIFY2(actual.startsWith(failure) && actual.isEmpty() == failure.isEmpty(), qPrintable(actual));
}

QTEST_GUILESS_MAIN(tst_FuzzFindings)
#include "tst_FuzzFindings.moc"
