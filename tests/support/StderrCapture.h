#ifndef TESTS_SUPPORT_STDERRCAPTURE_H
#define TESTS_SUPPORT_STDERRCAPTURE_H

// Redirects std::cerr into a buffer for the lifetime of the object, so tests can
// check diagnostic lines exactly and that nothing else was written.
#include <QStringList>
#include <sstream>
#include <streambuf>

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
    std::ostringstream buffer;
    std::streambuf* previous;
};

#endif
