#include "tools/ProgressLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const qint64 redrawMs = 100;
const int minBarWidth = 10;
const int maxBarWidth = 30;

QString mebibytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1);
}

QString duration(qint64 seconds)
{
    const QChar zero('0');
    if (seconds >= 3600)
        return QString("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, zero)
            .arg(seconds % 60, 2, 10, zero);
    return QString("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, zero);
}

} // namespace

ProgressLine::ProgressLine(std::FILE* terminal, qint64 totalBytes, int files, std::FILE* log)
    : terminal(terminal)
    , log(log)
    , totalBytes(totalBytes)
    , files(files)
{
    started.start();
}

bool ProgressLine::isTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

QString ProgressLine::text(qint64 fileDone, qint64 fileTotal, int file, int files, qint64 done, qint64 total,
                           qint64 elapsedMs, int columns)
{
    const int percent = total > 0 ? int(qMin<qint64>(done, total) * 100 / total) : 0;
    // The time left at the pace so far, once there is a pace to go by.
    QString left = "--:--";
    if (done > 0 && total > done && elapsedMs >= 1000)
        left = duration(qint64(double(elapsedMs) * double(total - done) / double(done) / 1000.0 + 0.5));
    else if (total > 0 && done >= total)
        left = duration(0);
    const QString counts = QString(" file %1/%2 %3/%4 MiB, total %5/%6 MiB, %7 left")
                               .arg(file)
                               .arg(files)
                               .arg(mebibytes(fileDone), mebibytes(fileTotal), mebibytes(done), mebibytes(total), left);
    // The bar takes what the terminal leaves, within bounds; the last column stays free, as a
    // full line makes some terminals wrap.
    const int barWidth = qBound(minBarWidth, columns - 1 - 7 - counts.size(), maxBarWidth);
    const int filled = total > 0 ? int(qMin<qint64>(done, total) * barWidth / total) : 0;
    QString line = QString("%1% [%2%3]").arg(percent, 3).arg(QString(filled, '#'), QString(barWidth - filled, ' '))
        + counts;
    if (columns > 1 && line.size() > columns - 1)
        line.truncate(columns - 1);
    return line;
}

int ProgressLine::columns() const
{
    winsize size{};
    if (::ioctl(::fileno(terminal), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void ProgressLine::bytesRead(qint64 done, qint64 total)
{
    if (done == 0) {
        // The next file begins: the one before counts whole, however far it was read.
        finishedBytes += fileTotal;
        fileTotal = total;
        ++file;
    }
    fileDone = done;
    if (!lastDraw.isValid() || lastDraw.elapsed() >= redrawMs)
        draw();
}

void ProgressLine::draw()
{
    const QByteArray line = text(fileDone, fileTotal, qMin(file, files), files, finishedBytes + fileDone, totalBytes,
                                 started.elapsed(), columns())
                                .toUtf8();
    // Back to the start of the line, the bar, and the rest of the line erased.
    std::fputs("\r", terminal);
    std::fwrite(line.constData(), 1, std::size_t(line.size()), terminal);
    std::fputs("\033[K", terminal);
    std::fflush(terminal);
    drawn = true;
    lastDraw.start();
}

void ProgressLine::clear()
{
    if (!drawn)
        return;
    std::fputs("\r\033[K", terminal);
    std::fflush(terminal);
    drawn = false;
}

void ProgressLine::print(const QString& text)
{
    held += text.toUtf8();
    const int end = held.lastIndexOf('\n');
    if (end < 0)
        return;
    clear();
    std::fwrite(held.constData(), 1, std::size_t(end + 1), log);
    std::fflush(log);
    held.remove(0, end + 1);
}

void ProgressLine::finish()
{
    clear();
    if (!held.isEmpty()) {
        std::fwrite(held.constData(), 1, std::size_t(held.size()), log);
        std::fflush(log);
        held.clear();
    }
}
