#ifndef EXTRACTION_GZIPDEVICE_H
#define EXTRACTION_GZIPDEVICE_H

// Reads a gzip-compressed file (.osm.gz) as the plain bytes it holds, through zlib.
// Used in the processing worker thread.
#include "extraction/CompressedFileDevice.h"

#include <zlib.h>

class GzipDevice : public CompressedFileDevice
{
public:
    explicit GzipDevice(const QString& path);
    ~GzipDevice() override;

protected:
    bool beginStream() override;
    Result decompress(const char*& input, std::size_t& inputSize, char*& output, std::size_t& outputSize,
                      QByteArray& failure) override;
    void endStream() override;

private:
    z_stream stream;
    bool started = false;
};

#endif
