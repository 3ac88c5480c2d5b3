#ifndef TESTS_SUPPORT_PROCESSORLOG_H
#define TESTS_SUPPORT_PROCESSORLOG_H

// Listens to a processing controller the way the download window does: from the GUI
// thread, so every signal arrives queued and in emission order. In a child process it
// can also end the process when the run is done or has been silent for a while (a run
// that stopped on a failure).
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

class ProcessorLog : public QObject
{
    Q_OBJECT
public:
    QStringList messages;
    QList<int> progress;
    int done = 0;
    QStringList events; // "message", "progress" and "done", interleaved as received
    bool quitWhenDone = false;

    // Connects to the controller's message(), downloadProgress() and processingDone(),
    // then starts its run (downloadOSMFiles()) the way the download window does.
    void startRun(QObject* processor);
    // Returns once the run has handled everything sent to it so far and what it emitted
    // meanwhile has arrived here: a run that stopped has then said all it will say.
    void settle(QObject* processor);
    // The log as the download window shows it.
    QString text() const { return messages.join(QString()); }
    // Quits the application when no message has come for this long.
    void quitWhenSilent(int ms);

public Q_SLOTS:
    void onMessage(const QString& msg);
    void onProgress(int value);
    void onDone();

private:
    QTimer silence;
};

#endif
