#include "tests/support/ProcessorLog.h"

#include <QCoreApplication>

void ProcessorLog::startRun(QObject* processor)
{
    connect(processor, SIGNAL(message(QString)), this, SLOT(onMessage(QString)));
    connect(processor, SIGNAL(downloadProgress(int)), this, SLOT(onProgress(int)));
    connect(processor, SIGNAL(processingDone()), this, SLOT(onDone()));
    QMetaObject::invokeMethod(processor, "downloadOSMFiles");
}

void ProcessorLog::settle(QObject* processor)
{
    // The controller lives in the run's worker thread: this call is queued behind every event
    // there, and its signals were posted here before it returns.
    QMetaObject::invokeMethod(
        processor, [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::sendPostedEvents();
}

void ProcessorLog::quitWhenSilent(int ms)
{
    silence.setSingleShot(true);
    silence.setInterval(ms);
    connect(&silence, SIGNAL(timeout()), QCoreApplication::instance(), SLOT(quit()));
    silence.start();
}

void ProcessorLog::onMessage(const QString& msg)
{
    messages << msg;
    events << "message";
    if (silence.isActive())
        silence.start();
}

void ProcessorLog::onProgress(int value)
{
    progress << value;
    events << "progress";
}

void ProcessorLog::onDone()
{
    ++done;
    events << "done";
    if (quitWhenDone)
        QTimer::singleShot(0, QCoreApplication::instance(), SLOT(quit()));
}
