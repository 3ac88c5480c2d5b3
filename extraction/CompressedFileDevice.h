#ifndef EXTRACTION_COMPRESSEDFILEDEVICE_H
#define EXTRACTION_COMPRESSEDFILEDEVICE_H

// A read-only sequential device that decompresses a file while it is read, so that a
// compressed OpenStreetMap XML file streams into the XML readers like a plain one.
// The codec is a subclass's; a file may hold several compressed streams one after
// the other. Used in the processing worker thread.
#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <cstddef>

class CompressedFileDevice : public QIODevice
{
public:
    ~CompressedFileDevice() override;

    // ReadOnly, with Text as a plain file is opened. Fails when the file cannot be
    // opened or does not begin like a stream of the codec. The path "-" is the standard input.
    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override;
    bool atEnd() const override;
    // Whether a damaged file is reported on the standard error stream (it is unless
    // told otherwise).
    void setDiagnostics(bool on) { diagnostics = on; }
    // How many bytes of the compressed file have been taken in so far.
    qint64 fileBytesRead() const { return file.pos(); }

protected:
    enum Result { Progress, StreamEnd, Failed };

    // `className` opens each diagnostic line; `magic` is how every stream begins.
    CompressedFileDevice(const QString& path, const char* className, const QByteArray& magic);

    // One compressed stream: begin, decompress as much as fits, end. On failure the
    // codec's description of it.
    virtual bool beginStream() = 0;
    virtual Result decompress(const char*& input, std::size_t& inputSize, char*& output, std::size_t& outputSize,
                              QByteArray& failure) = 0;
    virtual void endStream() = 0;

    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    void fail(const QByteArray& what);
    void finishStream();

    QFile file;
    const char* className;
    QByteArray magic;
    QByteArray input; // read from the file, decompressed up to inputPosition
    int inputPosition = 0;
    bool inStream = false;
    bool streamsSeen = false;
    bool finished = false;
    bool failed = false;
    bool diagnostics = true;
};

#endif
