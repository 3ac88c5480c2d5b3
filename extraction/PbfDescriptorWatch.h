#ifndef EXTRACTION_PBFDESCRIPTORWATCH_H
#define EXTRACTION_PBFDESCRIPTORWATCH_H

// libosmium's PBF parser closes the file it reads only when it reaches the end of it: a file
// whose blocks it refuses (a cut or damaged PBF) stays open after the reader is gone, one
// descriptor for every such read, until a long-running window or a fuzzer runs out of them.
// This notes the descriptor that the reader's constructor opens on the file and closes it after
// a failed read. Used in the thread that reads; Linux only (it lists /proc/self/fd).
#include <QString>
#include <set>
#include <sys/types.h>

class PbfDescriptorWatch
{
public:
    // Notes the descriptors open on the file at `path` now, before the reader opens it.
    explicit PbfDescriptorWatch(const QString& path);

    // Right after the reader's constructor: the descriptors on the file it added are the reader's.
    void readerOpened();
    // After the reader is destroyed, when its read failed: closes those that are still open on
    // the file.
    void closeLeft();

private:
    std::set<int> openOnFile() const;

    dev_t device = 0;
    ino_t inode = 0;
    bool known = false;
    std::set<int> before;
    std::set<int> readers;
};

#endif
