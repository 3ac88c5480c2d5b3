// Joining the piece files of the download folder into merged OSM files under "data/merge/".
#include "download/Pelagor.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <iostream>
#include <vector>

bool Pelagor::createFinalFile(QFile*& file, QTextStream*& stream, int number)
{
    const QString path = QString("%1%2%3.%4").arg(mergeDir, mergedBaseName, QString::number(number), fileExtension);
    auto* output = new QFile(path);
    if (!output->open(QIODevice::WriteOnly)) {
        std::cerr << "Pelagor: " << "createFinalFile(): cannot open file: " << path.toStdString() << std::endl;
        delete output;
        return false;
    }
    file = output;
    stream = new QTextStream(output);
    return true;
}

void Pelagor::mergeFiles()
{
    if (!QDir(mergeDir).exists())
        QDir().mkdir(mergeDir);
    const QStringList names = QDir(downloadDir).entryList(QStringList() << pieceFilter, QDir::NoFilter, QDir::NoSort);

    QFile* file = nullptr;
    QTextStream* stream = nullptr;
    int number = 0;
    if (!createFinalFile(file, stream, number))
        return;
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
        std::cerr << "Pelagor: " << "Compressed: " << path.toStdString() << std::endl;

        ++count;
        if (count == maxMergedPieces) {
            merged.push_back(file->fileName());
            std::cerr << "Pelagor: " << "Compressed >>> " << file->fileName().toStdString() << std::endl;
            stream->flush();
            file->close();
            delete stream;
            delete file;
            ++number;
            if (!createFinalFile(file, stream, number))
                return;
            count = 0;
        }
    }
    merged.push_back(file->fileName());
    std::cerr << "Pelagor: " << "Compressed >>>> " << file->fileName().toStdString() << std::endl;
    stream->flush();
    file->close();
    delete stream;
    delete file;

    std::cerr << "Pelagor: " << "Merge done!" << std::endl;
    for (const QString& name : merged)
        Q_EMIT fileMerged(name);
}
