#include "download/PieceMerger.h"

#include "common/DataFolders.h"

#include "download/DownloadDiagnostic.h"
#include "download/PiecePlan.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

PieceMerger::PieceMerger(const QString& downloadDir)
    : downloadDir(downloadDir)
    , mergeDir(DataFolders::merged())
    , mergedBaseName("merged")
    , fileExtension(PiecePlan::fileExtension)
    , pieceFilter("*?-*?-*?-*?.osm")
    , osmEndTag("</osm>")
    , tagEnd('>')
{
}

bool PieceMerger::createFinalFile(QFile*& file, QTextStream*& stream, int number)
{
    const QString path = QString("%1%2%3.%4").arg(mergeDir, mergedBaseName, QString::number(number), fileExtension);
    auto* output = new QFile(path);
    if (!output->open(QIODevice::WriteOnly)) {
        DownloadDiagnostic::line("createFinalFile(): cannot open file: " + path.toStdString());
        delete output;
        return false;
    }
    file = output;
    stream = new QTextStream(output);
    return true;
}

void PieceMerger::finish(QFile*& file, QTextStream*& stream)
{
    stream->flush();
    file->close();
    delete stream;
    delete file;
    stream = nullptr;
    file = nullptr;
}

std::vector<QString> PieceMerger::mergeFiles()
{
    DataFolders::make(mergeDir);
    const QStringList names = QDir(downloadDir).entryList(QStringList() << pieceFilter, QDir::NoFilter, QDir::NoSort);

    QFile* file = nullptr;
    QTextStream* stream = nullptr;
    int number = 0;
    if (!createFinalFile(file, stream, number))
        return {};
    std::vector<QString> merged;
    int count = 0;
    for (int i = 0; i < names.size(); ++i) {
        const QString path = QString("%1%2").arg(downloadDir, names[i]);
        QFile piece(path);
        if (!piece.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QTextStream in(&piece);
        QString content = in.readAll();

        // Every piece after the first of an output file loses its XML declaration, its <osm>
        // tag and the line end behind it.
        if (count != 0) {
            const int first = content.indexOf(QLatin1Char(tagEnd));
            const int second = first < 0 ? -1 : content.indexOf(QLatin1Char(tagEnd), first + 1);
            if (second >= 0)
                content.remove(0, second + 2);
        }
        // Every piece but the last of an output file loses its closing tag and the line end.
        if (i != names.size() - 1 && count != maxMergedPieces - 1) {
            const int end = content.lastIndexOf(osmEndTag);
            if (end >= 0)
                content.remove(end, osmEndTag.size() + 1);
        }
        *stream << content;
        DownloadDiagnostic::line("Compressed: " + path.toStdString());

        ++count;
        if (count == maxMergedPieces) {
            merged.push_back(file->fileName());
            DownloadDiagnostic::line("Compressed >>> " + file->fileName().toStdString());
            finish(file, stream);
            ++number;
            if (!createFinalFile(file, stream, number))
                return {};
            count = 0;
        }
    }
    merged.push_back(file->fileName());
    DownloadDiagnostic::line("Compressed >>>> " + file->fileName().toStdString());
    finish(file, stream);
    DownloadDiagnostic::line("Merge done!");
    return merged;
}
