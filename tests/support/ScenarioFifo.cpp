#include "tests/support/ScenarioFifo.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ScenarioFifo::ScenarioFifo(const QString& path)
    : path(path)
{
}

ScenarioFifo::~ScenarioFifo()
{
    notifier.reset();
    if (fd >= 0)
        ::close(fd);
}

bool ScenarioFifo::open(QString& report)
{
    const QByteArray name = QFile::encodeName(path);
    // Opened without waiting for a writer; a FIFO that no writer has had open yet reads as
    // empty but is not reported at its end, so the notifier stays quiet until the program
    // writes.
    if (::mkfifo(name.constData(), 0644) != 0 || (fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK)) < 0) {
        report += QString("fifo: cannot make \"%1\"\n").arg(path);
        return false;
    }
    notifier.reset(new QSocketNotifier(fd, QSocketNotifier::Read));
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { drain(); });
    return true;
}

void ScenarioFifo::drain()
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // 0: the writer has closed it; EAGAIN: nothing more for now.
        if (n == 0 && notifier)
            notifier->setEnabled(false);
        return;
    }
}

bool ScenarioFifo::finish(QString& report)
{
    // The program has ended, so every byte it wrote is in the FIFO now.
    drain();
    notifier.reset();
    ::close(fd);
    fd = -1;
    struct stat status;
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &status) != 0 || !S_ISFIFO(status.st_mode)) {
        report += QString("fifo: \"%1\" is no FIFO after the run: the program put something in its place\n").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.remove() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        report += QString("fifo: cannot keep what was read from \"%1\"\n").arg(path);
        return false;
    }
    return true;
}
