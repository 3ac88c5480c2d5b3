#include "tests/support/GoldenFile.h"

#include "tests/support/TestWorkDir.h"

#include <QDir>
#include <QFileInfo>
#include <QList>

namespace GoldenFile {

namespace {

bool write(const QString& path, const QByteArray& content)
{
    return QDir().mkpath(QFileInfo(path).path()) && TestWorkDir::writeFile(path, content);
}

} // namespace

QString compare(const QByteArray& actual, const QString& name)
{
    const QString golden = QString(PELAGOR_SOURCE_DIR "/tests/golden/") + name;
    if (qEnvironmentVariableIntValue("PELAGOR_UPDATE_GOLDEN") == 1) {
        if (!write(golden, actual))
            return "cannot write " + golden;
        return QString();
    }
    if (!QFileInfo(golden).isFile())
        return "no golden file " + golden + " (PELAGOR_UPDATE_GOLDEN=1 writes it)";
    const QByteArray expected = TestWorkDir::readFile(golden);
    if (actual == expected)
        return QString();

    const QString kept = QString(PELAGOR_BINARY_DIR "/golden-actual/") + name;
    write(kept, actual);
    QString account = QString("output differs from %1 (%2 bytes, golden %3 bytes)\n")
                          .arg(golden)
                          .arg(actual.size())
                          .arg(expected.size());
    const QList<QByteArray> got = actual.split('\n');
    const QList<QByteArray> want = expected.split('\n');
    int shown = 0;
    for (int i = 0; i < qMax(got.size(), want.size()) && shown < 8; ++i) {
        const QByteArray a = got.value(i);
        const QByteArray b = want.value(i);
        if (i < got.size() && i < want.size() && a == b)
            continue;
        account += QString("line %1\n  golden: %2\n  output: %3\n")
                       .arg(i + 1)
                       .arg(i < want.size() ? QString::fromUtf8(b) : QString("(none)"))
                       .arg(i < got.size() ? QString::fromUtf8(a) : QString("(none)"));
        ++shown;
    }
    return account + QString("whole diff: diff -u %1 %2").arg(golden, kept);
}

} // namespace GoldenFile
