#ifndef EXTRACTION_INPUTCOPY_H
#define EXTRACTION_INPUTCOPY_H

// An input that cannot be read twice (a FIFO, a character device, a process substitution, the
// standard input "-"), copied once into a temporary file, so that a run that reads its inputs
// twice (clipped, the osm format, a PBF file's pass over its ways) reads the same bytes each
// time and tells their format from their first bytes, as for any file. The copy is removed
// with this object. Used in the thread that reads.
#include <QString>
#include <memory>

class QTemporaryFile;

class InputCopy
{
public:
    InputCopy();
    ~InputCopy();

    // Whether `path` names something that can be read only once: "-" or, for a path that
    // exists, anything but a regular file or a folder.
    static bool isNeeded(const QString& path);
    // Copies all of `path` into a new temporary file in `folder`. False with `error` told when
    // the input cannot be opened or read, or the copy cannot be written whole.
    bool make(const QString& path, const QString& folder, QString& error);
    // The copy's path, once made.
    QString path() const;

private:
    std::unique_ptr<QTemporaryFile> copy;
};

#endif
