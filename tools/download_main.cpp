// pelagor-download: the processing run of "Start Download" without a window (DownloadCommand).
#include "tools/DownloadCommand.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return DownloadCommand().exec(QCoreApplication::arguments());
}
