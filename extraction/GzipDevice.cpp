#include "extraction/GzipDevice.h"

#include <climits>

GzipDevice::GzipDevice(const QString& path)
    : CompressedFileDevice(path, "GzipDevice", QByteArray("\x1f\x8b", 2))
    , stream()
{
}

GzipDevice::~GzipDevice()
{
    endStream();
}

bool GzipDevice::beginStream()
{
    stream = z_stream();
    // 16 added to the window size: a gzip header and trailer, not a zlib one.
    started = inflateInit2(&stream, MAX_WBITS + 16) == Z_OK;
    return started;
}

CompressedFileDevice::Result GzipDevice::decompress(const char*& input, std::size_t& inputSize, char*& output,
                                                    std::size_t& outputSize, QByteArray& failure)
{
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input));
    stream.avail_in = uInt(inputSize > UINT_MAX ? UINT_MAX : inputSize);
    stream.next_out = reinterpret_cast<Bytef*>(output);
    stream.avail_out = uInt(outputSize > UINT_MAX ? UINT_MAX : outputSize);
    const uInt inputBefore = stream.avail_in;
    const uInt outputBefore = stream.avail_out;
    const int result = inflate(&stream, Z_NO_FLUSH);
    input += inputBefore - stream.avail_in;
    inputSize -= inputBefore - stream.avail_in;
    output += outputBefore - stream.avail_out;
    outputSize -= outputBefore - stream.avail_out;
    if (result == Z_STREAM_END)
        return StreamEnd;
    if (result == Z_OK || result == Z_BUF_ERROR)
        return Progress;
    failure = stream.msg ? QByteArray(stream.msg) : QByteArray::number(result);
    return Failed;
}

void GzipDevice::endStream()
{
    if (started)
        inflateEnd(&stream);
    started = false;
}
