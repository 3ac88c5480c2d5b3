#include "extraction/InputCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

InputCopy::InputCopy() = default;
InputCopy::~InputCopy() = default;

bool InputCopy::isNeeded(const QString& path)
{
    if (path == QLatin1String("-"))
        return true;
    // Followed through links: /dev/stdin and /dev/fd/N name pipes.
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
}

bool InputCopy::make(const QString& path, const QString& folder, QString& error)
{
    QFile input;
    const bool opened = path == QLatin1String("-") ? input.open(0, QIODevice::ReadOnly)
                                                   : (input.setFileName(path), input.open(QIODevice::ReadOnly));
    if (!opened) {
        error = QString("cannot be opened: %1").arg(input.errorString());
        return false;
    }
    copy.reset(new QTemporaryFile(folder + "/pelagor-input.XXXXXX"));
    if (!copy->open()) {
        error = QString("cannot be copied into \"%1\": %2").arg(folder, copy->errorString());
        copy.reset();
        return false;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = input.read(buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (n < 0) {
            error = QString("cannot be read: %1").arg(input.errorString());
            copy.reset();
            return false;
        }
        if (copy->write(buffer.constData(), n) != n) {
            error = QString("cannot be copied into \"%1\": %2").arg(folder, copy->errorString());
            copy.reset();
            return false;
        }
    }
    if (!copy->flush()) {
        error = QString("cannot be copied into \"%1\": %2").arg(folder, copy->errorString());
        copy.reset();
        return false;
    }
    return true;
}

QString InputCopy::path() const
{
    return copy ? copy->fileName() : QString();
}
