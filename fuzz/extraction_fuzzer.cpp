// libFuzzer target: arbitrary bytes as one OSM XML file through the readers and the network
// file writer; aborts when the network file breaks a rule that holds for any input.
#include "fuzz/FuzzEnvironment.h"
#include "fuzz/FuzzExtraction.h"

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzEnvironment::setUp("pelagor-fuzz-extraction", argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzEnvironment::enter();
    const QString failure =
        FuzzExtraction::run(QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size)));
    FuzzEnvironment::leave();
    if (!failure.isEmpty()) {
        // std::cerr is silenced; the finding goes to the C stream directly.
        std::fprintf(stderr, "FuzzExtraction: %s\n", failure.toUtf8().constData());
        std::abort();
    }
    return 0;
}
