#include "extraction/CompressedFileDevice.h"

#include <iostream>

namespace {
const qint64 inputChunk = 1 << 16;
} // namespace

CompressedFileDevice::CompressedFileDevice(const QString& path, const char* className, const QByteArray& magic)
    : file(path)
    , className(className)
    , magic(magic)
{
}

// A subclass ends its codec's stream in its own destructor, while it still exists.
CompressedFileDevice::~CompressedFileDevice() = default;

bool CompressedFileDevice::open(OpenMode mode)
{
    if ((mode & WriteOnly) || !(mode & ReadOnly) || isOpen())
        return false;
    const bool opened = file.fileName() == QLatin1String("-") ? file.open(0, QIODevice::ReadOnly)
                                                              : file.open(QIODevice::ReadOnly);
    if (!opened)
        return false;
    // A file that is not compressed as its format says cannot be opened, as a missing one.
    if (file.peek(magic.size()) != magic) {
        file.close();
        return false;
    }
    inputPosition = 0;
    input.clear();
    inStream = streamsSeen = finished = failed = false;
    return QIODevice::open(mode);
}

void CompressedFileDevice::close()
{
    finishStream();
    file.close();
    QIODevice::close();
}

bool CompressedFileDevice::isSequential() const
{
    return true;
}

bool CompressedFileDevice::atEnd() const
{
    return !isOpen() || ((finished || failed) && QIODevice::bytesAvailable() == 0);
}

void CompressedFileDevice::finishStream()
{
    if (inStream)
        endStream();
    inStream = false;
}

void CompressedFileDevice::fail(const QByteArray& what)
{
    if (diagnostics)
        std::cerr << className << ": \"" << file.fileName().toStdString() << "\": " << what.toStdString() << std::endl;
    setErrorString(QString::fromUtf8(what));
    finishStream();
    failed = true;
}

qint64 CompressedFileDevice::readData(char* data, qint64 maxSize)
{
    char* output = data;
    std::size_t outputSize = std::size_t(maxSize);
    while (outputSize > 0 && !finished && !failed) {
        if (inputPosition == input.size()) {
            input = file.read(inputChunk);
            inputPosition = 0;
            if (input.isEmpty()) {
                if (file.error() != QFileDevice::NoError)
                    fail("cannot read the file: " + file.errorString().toUtf8());
                else if (inStream)
                    fail("the file ends inside a compressed stream");
                else
                    finished = true;
                break;
            }
        }
        if (!inStream) {
            // Another stream may follow the first; anything else after it is not
            // compressed data and is left alone, as the usual tools do.
            if (streamsSeen && input.at(inputPosition) != magic.at(0)) {
                finished = true;
                break;
            }
            if (!beginStream()) {
                fail("cannot start decompressing");
                break;
            }
            inStream = streamsSeen = true;
        }
        const char* next = input.constData() + inputPosition;
        std::size_t nextSize = std::size_t(input.size() - inputPosition);
        QByteArray failure;
        const Result result = decompress(next, nextSize, output, outputSize, failure);
        inputPosition = int(next - input.constData());
        if (result == Failed)
            fail("corrupt data: " + failure);
        else if (result == StreamEnd)
            finishStream();
    }
    const qint64 produced = qint64(output - data);
    return produced == 0 && failed ? -1 : produced;
}

qint64 CompressedFileDevice::writeData(const char*, qint64)
{
    return -1;
}
