#ifndef TOOLS_PROGRESSLINE_H
#define TOOLS_PROGRESSLINE_H

// The progress bar of a command-line program that reads files: one line on the standard
// error stream (a terminal), by bytes read of the current file and of the whole input, with
// the time left, redrawn at most ten times a second and cleared at the end. While it is shown,
// log text for the standard output is passed on a whole line at a time, so that the bar never
// splits one. Used in the main thread.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>
#include <cstdio>

class ProgressLine
{
public:
    // `totalBytes` and `files`: the whole input, as the reports will count it. The log text
    // goes to `log`.
    ProgressLine(std::FILE* terminal, qint64 totalBytes, int files, std::FILE* log = stdout);

    // A report of the reading of one file; done = 0 begins the next file.
    void bytesRead(qint64 done, qint64 total);
    // Log text for the log's stream.
    void print(const QString& text);
    // Clears the bar and passes on the text still held back.
    void finish();

    // The bar's text (without line controls) for a width of `columns`.
    static QString text(qint64 fileDone, qint64 fileTotal, int file, int files, qint64 done, qint64 total,
                        qint64 elapsedMs, int columns);
    // Whether the descriptor is a terminal.
    static bool isTerminal(int fd);

private:
    void draw();
    void clear();
    int columns() const;

    std::FILE* terminal;
    std::FILE* log;
    qint64 totalBytes;
    int files;
    int file = 0;
    qint64 finishedBytes = 0; // of the files before the current one
    qint64 fileDone = 0;
    qint64 fileTotal = 0;
    QElapsedTimer started;
    QElapsedTimer lastDraw;
    bool drawn = false;
    QByteArray held; // log text after its last line end
};

#endif
