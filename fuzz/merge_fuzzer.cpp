// libFuzzer target: arbitrary bytes cut into one to four piece files, merged by the area
// downloader; aborts when the merge leaves no merged file behind.
#include "download/Pelagor.h"
#include "fuzz/FuzzEnvironment.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// 0xff never occurs in UTF-8, so real pieces joined with it stay intact.
const char separator = '\xff';
const int maxPieces = 4;
const char* const pieceNames[maxPieces] = {
    "data/download/37.585-55.806-37.595-55.816.osm",
    "data/download/37.585-55.816-37.595-55.823.osm",
    "data/download/37.595-55.806-37.605-55.816.osm",
    "data/download/37.595-55.816-37.605-55.823.osm",
};
const char* const mergedName = "data/merge/merged0.osm";

Pelagor* downloader = nullptr; // lives until the process ends

void removeFiles(const QString& folder)
{
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(name);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzEnvironment::setUp("pelagor-fuzz-merge", argc, argv);
    FuzzEnvironment::enter();
    QDir().mkpath(QStringLiteral("data/download"));
    FuzzEnvironment::leave();
    downloader = new Pelagor;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    FuzzEnvironment::enter();
    int start = 0;
    for (int i = 0; i < maxPieces; ++i) {
        int end = input.indexOf(separator, start);
        if (end < 0 || i == maxPieces - 1)
            end = input.size();
        QFile piece(QString::fromLatin1(pieceNames[i]));
        if (!piece.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || piece.write(input.constData() + start, end - start) != end - start)
            std::abort();
        piece.close();
        start = end + 1;
        if (start > input.size())
            break;
    }

    downloader->mergeFiles();

    if (!QFile::exists(QString::fromLatin1(mergedName))) {
        std::fprintf(stderr, "merge_fuzzer: %s missing after the merge\n", mergedName);
        std::abort();
    }
    removeFiles(QStringLiteral("data/download"));
    removeFiles(QStringLiteral("data/merge"));
    FuzzEnvironment::leave();
    return 0;
}
