#ifndef DOWNLOAD_PIECEMERGER_H
#define DOWNLOAD_PIECEMERGER_H

// Joins the piece files of the download folder into merged OpenStreetMap files under
// "data/merge/" (a new one after every maxMergedPieces pieces). Runs synchronously in the
// thread that calls it.
#include <QString>
#include <vector>

class QFile;
class QTextStream;

class PieceMerger
{
public:
    // Piece files that go into one merged output file.
    static constexpr int maxMergedPieces = 999999;

    explicit PieceMerger(const QString& downloadDir);

    // The merged files in the order they were finished; none when the first one cannot be
    // opened, or when a later one cannot.
    std::vector<QString> mergeFiles();
    bool createFinalFile(QFile*& file, QTextStream*& stream, int number);

private:
    // Closes and releases the current output file and its stream.
    static void finish(QFile*& file, QTextStream*& stream);

    QString downloadDir;
    QString mergeDir;
    QString mergedBaseName;
    QString fileExtension;
    QString pieceFilter;
    QString osmEndTag;
    char tagEnd;
};

#endif
