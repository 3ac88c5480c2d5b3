#ifndef TESTS_SUPPORT_STDERRCAPTURE_H
#define TESTS_SUPPORT_STDERRCAPTURE_H

// Sends everything written to the standard error stream into a temporary file for the
// lifetime of the object, so tests can check diagnostic lines exactly and that nothing else
// was written. The redirection is of the file descriptor itself: a worker thread that
// writes std::cerr while the test thread reads the capture shares no C++ object with it.
#include <QStringList>
#include <QTemporaryFile>
#include <string>

class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string text() const;
    // The captured text split at line ends; a final line end yields no empty entry.
    QStringList lines() const;
    void clear();

private:
    mutable QTemporaryFile file;
    int previous = -1; // the descriptor that was standard error before
};

#endif
