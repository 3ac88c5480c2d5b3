#ifndef EXTRACTION_NOCLOBBERFILE_H
#define EXTRACTION_NOCLOBBERFILE_H

// A new file under the first free name of a pattern: folder + stem + ("", "-2", "-3", ...) +
// suffix. Its bytes go to a temporary file beside it and appear under the name only when
// completely written, and never in place of a file that is already there, even one that
// another program wrote under the same name meanwhile. A file of a name the user gave keeps
// that name: it is refused when the name is taken, or, when asked for, replaces the file there
// in one step (a symbolic link stays: the file it points to is replaced, beside which the
// temporary file is written); a name that holds no regular file, folder or link (a FIFO, a
// device such as /dev/null) is written into directly, and stays what it is, as is the standard
// output, named "-". Used in the thread that writes it.
#include <QString>
#include <memory>

class QFile;
class QIODevice;
class QTemporaryFile;

class NoClobberFile
{
public:
    NoClobberFile(const QString& folder, const QString& stem, const QString& suffix);
    // What a file under a given name does when the name is taken.
    enum class Clash { Refuse, Replace };
    NoClobberFile(const QString& path, Clash clash);
    ~NoClobberFile();

    // Whether `path` names something that is written into as it is, with no temporary file
    // and no rename: a FIFO, a character or block device, a socket.
    static bool isWrittenDirectly(const QString& path);
    // "-", the name of the standard output.
    static bool isStandardOutput(const QString& path);

    // The name the file gets: the first one free when it was looked for.
    QString filePath() const;
    // Opens the temporary file (or what is written directly); false when it cannot be.
    bool open();
    QIODevice* device() const;
    // The path of what open() opened, for a writer that opens files by name (truncating what is
    // there): the temporary file, the FIFO or device, or "-" for the standard output.
    QString writePath() const;
    // Nothing of this file will be kept; commit() fails.
    void cancelWriting();
    // Flushes the bytes to the disk and gives them their name, the next free one should a file
    // have appeared under it meanwhile. False when writing failed; then no file is left (what
    // is written directly has had its bytes, and stays).
    bool commit();

private:
    QString nameWith(int number) const;
    // Gives the temporary file the name `path` unless something has it; errno when not.
    static bool linkNew(const QString& temporary, const QString& path, int& error);

    QString folder;
    QString stem;
    QString suffix;
    int number = 1;
    bool fixedName = false;
    QString shownName; // a name the user gave, as given (a link, say)
    Clash clash = Clash::Refuse;
    bool cancelled = false;
    std::unique_ptr<QTemporaryFile> file;
    std::unique_ptr<QFile> direct; // a FIFO or a device, instead of the temporary file
};

#endif
