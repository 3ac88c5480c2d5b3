// pelagor-window-extract-bench W,S,E,N FILE: the window's "Extract from a file..." run of FILE
// for the box, timed from the opening of the download window to its end (the log and the
// progress bar drawn as a user sees them; run with QT_QPA_PLATFORM=offscreen without a
// display). Prints "seconds=<s> network=<path>" last; the network file stays in data/comp/ of
// the working directory. Never run by the tests.
#include "app/DownloadWindow.h"
#include "common/BoundingBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    BoundingBox box;
    QString problem;
    if (arguments.size() != 3 || !BoundingBox::fromText(arguments[1], box, &problem)) {
        std::fputs("Usage: pelagor-window-extract-bench W,S,E,N FILE\n", stderr);
        return 2;
    }
    QDir().mkpath("data");
    QElapsedTimer clock;
    clock.start();
    auto* window = new DownloadWindow(box.toArea(), arguments[2], nullptr);
    window->show();
    // The end of the run is the window's state; looked at often enough for runs of seconds.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [window, &clock] {
        if (window->isProcessing())
            return;
        const double seconds = double(clock.elapsed()) / 1000.0;
        const QStringList files = QDir("data/comp").entryList(QDir::Files, QDir::Time);
        std::printf("seconds=%.3f network=%s\n", seconds,
                    files.isEmpty() ? "none" : qPrintable("data/comp/" + files.first()));
        QApplication::quit();
    });
    poll.start(5);
    const int status = app.exec();
    delete window;
    return status;
}
