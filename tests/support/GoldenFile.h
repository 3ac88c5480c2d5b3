#ifndef TESTS_SUPPORT_GOLDENFILE_H
#define TESTS_SUPPORT_GOLDENFILE_H

// Compares an output with a committed golden file under tests/golden/. On a difference it
// keeps the output beside the build's test homes and returns a readable account: the sizes,
// the first lines that differ with their numbers, and the command to see the whole diff.
// With PELAGOR_UPDATE_GOLDEN=1 in the environment it writes the output as the new golden file
// instead (then review it with git diff).
#include <QByteArray>
#include <QString>

namespace GoldenFile {

// Empty when `actual` equals the golden file `name` byte for byte.
QString compare(const QByteArray& actual, const QString& name);

} // namespace GoldenFile

#endif
