#include "tests/support/LineDiff.h"

#include <QStringList>
#include <algorithm>
#include <vector>

namespace {

const int context = 2;
// Longest common subsequence tables beyond this many cells (two files of some thousand
// lines each) are not built: the difference then starts at the first line that differs.
const std::size_t maxCells = 4000000;

// A last line without its line end is marked, so that a missing final newline shows.
QStringList linesOf(const QString& text)
{
    QStringList lines = text.split('\n');
    if (lines.back().isEmpty())
        lines.removeLast();
    else
        lines.back() += " (no line end)";
    return lines;
}

struct Step
{
    char mark; // ' ', '-' or '+'
    QString line;
};

std::vector<Step> steps(const QStringList& a, const QStringList& b)
{
    // Common lines at both ends are matched first, so that the table covers only the middle.
    int head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    int tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const int n = a.size() - head - tail;
    const int m = b.size() - head - tail;
    std::vector<Step> result;
    for (int i = 0; i < head; ++i)
        result.push_back({' ', a[i]});
    if (std::size_t(n + 1) * std::size_t(m + 1) > maxCells) {
        for (int i = 0; i < n; ++i)
            result.push_back({'-', a[head + i]});
        for (int j = 0; j < m; ++j)
            result.push_back({'+', b[head + j]});
    } else {
        // lcs[i][j]: the longest common subsequence of the middles from line i of a and j of b on.
        std::vector<std::vector<int>> lcs(std::size_t(n + 1), std::vector<int>(std::size_t(m + 1), 0));
        for (int i = n - 1; i >= 0; --i)
            for (int j = m - 1; j >= 0; --j)
                lcs[i][j] = a[head + i] == b[head + j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
        int i = 0;
        int j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && a[head + i] == b[head + j]) {
                result.push_back({' ', a[head + i]});
                ++i;
                ++j;
            } else if (i < n && (j == m || lcs[i + 1][j] >= lcs[i][j + 1])) {
                result.push_back({'-', a[head + i++]});
            } else {
                result.push_back({'+', b[head + j++]});
            }
        }
    }
    for (int i = a.size() - tail; i < a.size(); ++i)
        result.push_back({' ', a[i]});
    return result;
}

} // namespace

QString LineDiff::of(const QString& expected, const QString& actual)
{
    if (expected == actual)
        return QString();
    const std::vector<Step> all = steps(linesOf(expected), linesOf(actual));
    QString text;
    int lastShown = -1;
    for (int k = 0; k < int(all.size()); ++k) {
        bool near = false;
        for (int d = -context; d <= context && !near; ++d)
            near = k + d >= 0 && k + d < int(all.size()) && all[std::size_t(k + d)].mark != ' ';
        if (!near)
            continue;
        if (lastShown >= 0 && k > lastShown + 1)
            text += "  ...\n";
        text += QString(QChar(all[std::size_t(k)].mark)) + ' ' + all[std::size_t(k)].line + '\n';
        lastShown = k;
    }
    return text;
}
