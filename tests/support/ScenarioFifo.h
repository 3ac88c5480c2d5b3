#ifndef TESTS_SUPPORT_SCENARIOFIFO_H
#define TESTS_SUPPORT_SCENARIOFIFO_H

// A FIFO in a scenario's working directory for the program to write its output into: made
// before the run and read from the driver's event loop while the program runs, so that the
// program never waits for a reader. Afterwards it must still be a FIFO (the program wrote into
// it, and did not put a file in its place); it is then replaced by a regular file of the bytes
// read, which `files` and `expected/` check like any other. Lives in the driver's thread.
#include <QByteArray>
#include <QString>
#include <memory>

class QSocketNotifier;

class ScenarioFifo
{
public:
    explicit ScenarioFifo(const QString& path);
    ~ScenarioFifo();

    // Makes the FIFO and opens it for reading; false with `report` extended when it cannot.
    bool open(QString& report);
    // After the run: reads the rest, checks that it is still a FIFO and replaces it with the
    // bytes read. False with `report` extended when it is no FIFO any more.
    bool finish(QString& report);

private:
    // Reads what the FIFO holds now; at its end (every writer gone) stops watching it.
    void drain();

    QString path;
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    QByteArray bytes;
};

#endif
