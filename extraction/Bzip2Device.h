#ifndef EXTRACTION_BZIP2DEVICE_H
#define EXTRACTION_BZIP2DEVICE_H

// Reads a bzip2-compressed file (.osm.bz2) as the plain bytes it holds, through
// libbz2. Used in the processing worker thread.
#include "extraction/CompressedFileDevice.h"

#include <bzlib.h>

class Bzip2Device : public CompressedFileDevice
{
public:
    explicit Bzip2Device(const QString& path);
    ~Bzip2Device() override;

protected:
    bool beginStream() override;
    Result decompress(const char*& input, std::size_t& inputSize, char*& output, std::size_t& outputSize,
                      QByteArray& failure) override;
    void endStream() override;

private:
    bz_stream stream;
    bool started = false;
};

#endif
