#ifndef COMMON_WORKERTHREAD_H
#define COMMON_WORKERTHREAD_H

// A thread for worker objects, owned by the object that holds it: objects are moved into it,
// it runs the default event loop from start(), and when it is destroyed it is told to quit
// and waited for without a time limit, so that nothing runs in it any more when its owner's
// workers die. Declare it after the members it carries, so that it stops before they are
// destroyed. Created and destroyed in the owner's thread.
#include <QObject>
#include <QThread>

class WorkerThread
{
public:
    WorkerThread()
        : thread(new QThread)
    {
    }
    ~WorkerThread()
    {
        // A slot that is running there finishes first.
        thread->quit();
        thread->wait();
        delete thread;
    }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // The object (with its children) lives in the thread from now on.
    void take(QObject* worker) { worker->moveToThread(thread); }
    void start() { thread->start(QThread::InheritPriority); }
    QThread* get() const { return thread; }

private:
    QThread* thread;
};

#endif
