#include "tests/support/StderrCapture.h"

#include <QString>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace {

void flushStandardError()
{
    std::cerr.flush();
    std::fflush(stderr);
}

} // namespace

StderrCapture::StderrCapture()
{
    flushStandardError();
    if (!file.open())
        qFatal("StderrCapture: cannot open a temporary file");
    // Appending, so that writes of several threads land one after another at the end.
    const int fd = ::open(file.fileName().toLocal8Bit().constData(), O_WRONLY | O_APPEND);
    previous = ::dup(STDERR_FILENO);
    if (fd < 0 || previous < 0 || ::dup2(fd, STDERR_FILENO) < 0)
        qFatal("StderrCapture: cannot redirect standard error");
    ::close(fd);
}

StderrCapture::~StderrCapture()
{
    flushStandardError();
    ::dup2(previous, STDERR_FILENO);
    ::close(previous);
}

std::string StderrCapture::text() const
{
    flushStandardError();
    file.seek(0);
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

QStringList StderrCapture::lines() const
{
    QStringList result = QString::fromStdString(text()).split('\n');
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

void StderrCapture::clear()
{
    flushStandardError();
    if (::ftruncate(STDERR_FILENO, 0) != 0)
        qFatal("StderrCapture: cannot empty the capture");
}
