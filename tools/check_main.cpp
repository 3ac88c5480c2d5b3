// pelagor-check: the report of what in a network file would break a simulation run
// (CheckCommand).
#include "tools/CheckCommand.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return CheckCommand().exec(QCoreApplication::arguments());
}
