#include "tests/support/StderrCapture.h"

#include <QString>
#include <iostream>

StderrCapture::StderrCapture()
    : previous(std::cerr.rdbuf(buffer.rdbuf()))
{
}

StderrCapture::~StderrCapture()
{
    std::cerr.rdbuf(previous);
}

std::string StderrCapture::text() const
{
    return buffer.str();
}

QStringList StderrCapture::lines() const
{
    QStringList result = QString::fromStdString(buffer.str()).split('\n');
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

void StderrCapture::clear()
{
    buffer.str(std::string());
}
