// pelagor-extract: the extraction of OpenStreetMap files on disk without a window
// (ExtractCommand).
#include "tools/ExtractCommand.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return ExtractCommand().exec(QCoreApplication::arguments());
}
