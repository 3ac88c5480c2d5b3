#ifndef TESTS_SUPPORT_LINEDIFF_H
#define TESTS_SUPPORT_LINEDIFF_H

// A readable difference of two texts, line by line: the lines both have, with "  ", those
// only the expected text has, with "- ", those only the actual one has, with "+ ", and a
// few lines of context around each change.
#include <QString>

class LineDiff
{
public:
    // Empty when the texts are equal.
    static QString of(const QString& expected, const QString& actual);
};

#endif
