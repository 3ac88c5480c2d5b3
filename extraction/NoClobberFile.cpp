#include "extraction/NoClobberFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

NoClobberFile::NoClobberFile(const QString& folder, const QString& stem, const QString& suffix)
    : folder(folder)
    , stem(stem)
    , suffix(suffix)
{
    while (QFileInfo::exists(nameWith(number)) || QFileInfo(nameWith(number)).isSymLink())
        ++number;
}

namespace {

// The file a chain of symbolic links ends at, whether or not it exists yet.
QString linkTarget(const QString& path)
{
    QString target = path;
    for (int depth = 0; depth < 40 && QFileInfo(target).isSymLink(); ++depth)
        target = QFileInfo(target).symLinkTarget();
    return target;
}

} // namespace

NoClobberFile::NoClobberFile(const QString& path, Clash clash)
    : folder(clash == Clash::Replace ? linkTarget(path) : path)
    , fixedName(true)
    , clash(clash)
{
    shownName = path;
}

NoClobberFile::~NoClobberFile() = default;

QString NoClobberFile::nameWith(int n) const
{
    return n == 1 ? folder + stem + suffix : QString("%1%2-%3%4").arg(folder, stem).arg(n).arg(suffix);
}

QString NoClobberFile::filePath() const
{
    return fixedName ? shownName : nameWith(number);
}

QString NoClobberFile::writePath() const
{
    if (direct)
        return isStandardOutput(nameWith(number)) ? QStringLiteral("-") : direct->fileName();
    return file ? file->fileName() : QString();
}

bool NoClobberFile::isStandardOutput(const QString& path)
{
    return path == QLatin1String("-");
}

bool NoClobberFile::isWrittenDirectly(const QString& path)
{
    if (isStandardOutput(path))
        return true;
    // lstat: a link is not followed, and is replaced like a file.
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode) && !S_ISLNK(status.st_mode);
}

bool NoClobberFile::open()
{
    // A FIFO or a device has no bytes to replace: a temporary file renamed over it would put a
    // regular file in its place (as root, over /dev/null).
    const QString target = nameWith(number);
    if (fixedName && isWrittenDirectly(target)) {
        direct.reset(new QFile(isStandardOutput(target) ? QString() : target));
        const bool opened = isStandardOutput(target) ? direct->open(1, QIODevice::WriteOnly)
                                                     : direct->open(QIODevice::WriteOnly);
        if (!opened) {
            direct.reset();
            return false;
        }
        return true;
    }
    // Beside its final name, so that naming it is a rename within one file system.
    file.reset(new QTemporaryFile(target + ".XXXXXX"));
    if (!file->open()) {
        file.reset();
        return false;
    }
    // As a file a program creates is usually readable by all; the umask is not known here.
    file->setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return true;
}

QIODevice* NoClobberFile::device() const
{
    if (direct)
        return direct.get();
    return file.get();
}

void NoClobberFile::cancelWriting()
{
    cancelled = true;
}

bool NoClobberFile::linkNew(const QString& temporary, const QString& path, int& error)
{
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(path);
    // Never replaces what is there: a rename that refuses an existing name, or a hard link on a
    // file system without such renames.
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    error = errno;
    if (error != EINVAL && error != ENOSYS)
        return false;
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return true;
    }
    error = errno;
    return false;
}

bool NoClobberFile::commit()
{
    if (direct) {
        // Nothing to sync or name: fsync() refuses a FIFO or a character device.
        const bool written = !cancelled && direct->error() == QFileDevice::NoError && direct->flush();
        direct.reset();
        return written;
    }
    if (!file)
        return false;
    const bool written = !cancelled && file->error() == QFileDevice::NoError && file->flush()
        && ::fsync(file->handle()) == 0;
    if (!written) {
        file.reset(); // removes the temporary file
        return false;
    }
    const QString temporary = file->fileName();
    int error = 0;
    if (fixedName && clash == Clash::Replace) {
        // rename() puts the new file in place of the old one in one step: a reader sees either.
        if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(nameWith(number)).constData())
            != 0) {
            file.reset();
            return false;
        }
        file->setAutoRemove(false);
        file.reset();
        return true;
    }
    while (!linkNew(temporary, nameWith(number), error)) {
        if (error != EEXIST || fixedName) {
            file.reset();
            return false;
        }
        ++number;
    }
    // Named now; the temporary name is gone.
    file->setAutoRemove(false);
    file.reset();
    return true;
}
