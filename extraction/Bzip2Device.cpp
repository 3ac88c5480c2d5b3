#include "extraction/Bzip2Device.h"

#include <climits>

Bzip2Device::Bzip2Device(const QString& path)
    : CompressedFileDevice(path, "Bzip2Device", QByteArray("BZh"))
    , stream()
{
}

Bzip2Device::~Bzip2Device()
{
    endStream();
}

bool Bzip2Device::beginStream()
{
    stream = bz_stream();
    started = BZ2_bzDecompressInit(&stream, 0, 0) == BZ_OK;
    return started;
}

CompressedFileDevice::Result Bzip2Device::decompress(const char*& input, std::size_t& inputSize, char*& output,
                                                     std::size_t& outputSize, QByteArray& failure)
{
    stream.next_in = const_cast<char*>(input);
    stream.avail_in = unsigned(inputSize > UINT_MAX ? UINT_MAX : inputSize);
    stream.next_out = output;
    stream.avail_out = unsigned(outputSize > UINT_MAX ? UINT_MAX : outputSize);
    const unsigned inputBefore = stream.avail_in;
    const unsigned outputBefore = stream.avail_out;
    const int result = BZ2_bzDecompress(&stream);
    input += inputBefore - stream.avail_in;
    inputSize -= inputBefore - stream.avail_in;
    output += outputBefore - stream.avail_out;
    outputSize -= outputBefore - stream.avail_out;
    switch (result) {
    case BZ_STREAM_END:
        return StreamEnd;
    case BZ_OK:
        return Progress;
    case BZ_DATA_ERROR:
        failure = "data integrity error";
        break;
    case BZ_DATA_ERROR_MAGIC:
        failure = "not a bzip2 stream";
        break;
    case BZ_MEM_ERROR:
        failure = "out of memory";
        break;
    default:
        failure = "error " + QByteArray::number(result);
    }
    return Failed;
}

void Bzip2Device::endStream()
{
    if (started)
        BZ2_bzDecompressEnd(&stream);
    started = false;
}
