#include "extraction/PbfDescriptorWatch.h"

#include <QFile>

#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

PbfDescriptorWatch::PbfDescriptorWatch(const QString& path)
{
#ifdef __linux__
    struct stat file;
    // The standard input is libosmium's to close or keep, as any other reader's.
    if (path == QLatin1String("-") || ::stat(QFile::encodeName(path).constData(), &file) != 0)
        return;
    device = file.st_dev;
    inode = file.st_ino;
    known = true;
    before = openOnFile();
#else
    Q_UNUSED(path);
#endif
}

std::set<int> PbfDescriptorWatch::openOnFile() const
{
    std::set<int> found;
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder)
        return found;
    const int own = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        struct stat file;
        if (end == entry->d_name || *end != '\0' || fd == own || ::fstat(int(fd), &file) != 0)
            continue;
        if (file.st_dev == device && file.st_ino == inode)
            found.insert(int(fd));
    }
    ::closedir(folder);
    return found;
}

void PbfDescriptorWatch::readerOpened()
{
    if (!known)
        return;
    for (int fd : openOnFile())
        if (!before.count(fd))
            readers.insert(fd);
}

void PbfDescriptorWatch::closeLeft()
{
    if (!known || readers.empty())
        return;
    const std::set<int> still = openOnFile();
    for (int fd : readers)
        if (still.count(fd))
            ::close(fd);
    readers.clear();
}
