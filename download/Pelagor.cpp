#include "download/Pelagor.h"

#include "common/DataFolders.h"
#include "download/DownloadDiagnostic.h"
#include "download/PieceFetcher.h"
#include "download/PiecePlan.h"
#include "download/RequestPolicy.h"

#include <QDir>
#include <QFileInfo>
#include <QSslSocket>
#include <QStringList>

// Registered when the program loads, where the type is declared: queued connections between
// threads carry it, and no caller has to remember to register it.
static const int vectorOfStringsType = qRegisterMetaType<std::vector<QString>>("std::vector<QString>");

namespace {

// The map call of the editing API, with the piece's bounds as its query.
QString apiUrl()
{
    return DownloadSources::address(DownloadSource::Api) + QStringLiteral("?bbox=%1,%2,%3,%4");
}

} // namespace

Pelagor::Pelagor(QObject* parent)
    : QObject(parent)
    , area()
    , apiSource(apiUrl(), DownloadSources::folder(DownloadSource::Api))
    , overpassSource(DownloadSources::folder(DownloadSource::Overpass))
    , merger(PiecePlan::downloadDir)
    , fetcher(new PieceFetcher(this))
{
    fetcher->setSource(&apiSource);
    connect(fetcher, SIGNAL(message(QString)), this, SIGNAL(message(QString)));
    connect(fetcher, SIGNAL(progress(int)), this, SIGNAL(progress(int)));
    connect(fetcher, SIGNAL(downloadingDone(const std::vector<QString>&)), this,
            SIGNAL(downloadingDone(const std::vector<QString>&)));
}

bool Pelagor::downloadArea(const QRectF& area)
{
    if (!checkBoundaries(area))
        return false;
    if (!prepareRequests(area))
        return false;
    fetcher->requestNext();
    return true;
}

void Pelagor::setFetchMode(FetchMode mode)
{
    fetcher->setFetchMode(mode);
}

void Pelagor::setSource(DownloadSource chosen)
{
    source = chosen;
    fetcher->setSource(&currentSource());
    // OpenSSL is looked for once per process, here in the thread that sets the run up and not
    // in the worker thread where the run goes on: where it is missing, glibc keeps the error
    // text of the failed loads in the loading thread until that thread has wholly ended, which
    // for a worker can be after the process has begun to exit (the sanitizer build's leak
    // check then reports it). The check before the first request reads the cached answer.
    if (currentSource().needsTls())
        QSslSocket::supportsSsl();
}

const PieceSource& Pelagor::currentSource() const
{
    if (source == DownloadSource::Overpass)
        return overpassSource;
    return apiSource;
}

bool Pelagor::makeFolders()
{
    // Parent folders above data/download/ are never created.
    QStringList folders{apiSource.store().folder()};
    if (source == DownloadSource::Overpass)
        folders << overpassSource.store().folder();
    for (const QString& folder : folders) {
        if (!DataFolders::make(folder)) {
            Q_EMIT message(QString("Could not create folder \"%1\"!").arg(folder));
            return false;
        }
    }
    return true;
}

bool Pelagor::checkBoundaries(const QRectF& area)
{
    const BoundingBox box = BoundingBox::fromArea(area);
    if (box.east() >= box.west() && box.north() >= box.south())
        return true;
    // A NaN bound fails every comparison, so it is refused without a line.
    if (box.west() > box.east())
        DownloadDiagnostic::line("Invalid boundaries! Right longitude has to be greater than left longitude");
    if (box.south() > box.north())
        DownloadDiagnostic::line("Invalid boundaries! Top latitude has to be greater than bottom latitude");
    return false;
}

bool Pelagor::prepareRequests(const QRectF& area)
{
    const BoundingBox box = BoundingBox::fromArea(area);
    this->area = PiecePlan::toGridRect(box);
    const bool tooLarge = RequestPolicy::tooLarge(box, currentSource().tileSize());
    fetcher->restart(tooLarge ? 0 : static_cast<int>(countPieces()));

    if (tooLarge || !fillRequestQueue()) {
        Q_EMIT message("Selected area is too large!");
        return false;
    }
    const QString addressProblem = DownloadSources::addressProblem(source);
    if (!addressProblem.isEmpty()) {
        Q_EMIT message(QString("%1: no request can be made.\n").arg(addressProblem));
        return false;
    }
    // Qt loads OpenSSL when the first encrypted connection is made; without it every request
    // to an https address would fail the same way.
    if (currentSource().needsTls() && !QSslSocket::supportsSsl()) {
        Q_EMIT message(QString("No TLS support on this machine: Qt was built for %1 and finds no such library, so "
                               "%2 cannot be reached over HTTPS.\n")
                           .arg(QSslSocket::sslLibraryBuildVersionString(), currentSource().serviceName()));
        return false;
    }
    if (!makeFolders())
        return false;
    Q_EMIT message(QString("Total %1 files to be requested...\n").arg(getTotalFiles()));
    return true;
}

QRect Pelagor::toGridRect(const QRectF& area)
{
    return PiecePlan::toGridRect(BoundingBox::fromArea(area));
}

qint64 Pelagor::countPieces()
{
    return PiecePlan::countPieces(area, currentSource().tileSize());
}

bool Pelagor::fillRequestQueue()
{
    return fetcher->pieces().plan(area, currentSource().tileSize());
}

void Pelagor::splitPiece(const QRect& piece)
{
    fetcher->pieces().split(piece, PiecePlan::split(piece));
}

QString Pelagor::pieceFilePath(const QRect& piece)
{
    return currentSource().store().filePath(piece);
}

QString Pelagor::pieceName(const QRect& piece)
{
    return PiecePlan::pieceName(piece);
}

void Pelagor::mergeFiles()
{
    for (const QString& name : merger.mergeFiles())
        Q_EMIT fileMerged(name);
}

bool Pelagor::createFinalFile(QFile*& file, QTextStream*& stream, int number)
{
    return merger.createFinalFile(file, stream, number);
}

int Pelagor::getTotalFiles() const
{
    return fetcher->pieces().totalFiles();
}

int Pelagor::getPendingRequests() const
{
    return fetcher->getPendingRequests();
}

int Pelagor::getDoneFiles() const
{
    return fetcher->pieces().doneFiles();
}

const std::vector<QRect>& Pelagor::getFailedPieces() const
{
    return fetcher->pieces().failedPieces();
}

const std::vector<QRect>& Pelagor::getRequestQueue() const
{
    return fetcher->pieces().pending();
}

const std::vector<QString>& Pelagor::getFilesPaths() const
{
    return fetcher->pieces().filesPaths();
}

bool Pelagor::isIncomplete() const
{
    return fetcher->isIncomplete();
}

const std::vector<QRect>& Pelagor::getMissingPieces() const
{
    return fetcher->pieces().missingPieces();
}

void Pelagor::releaseNetwork()
{
    fetcher->releaseNetwork();
}

void Pelagor::setAsideUnreadable(const std::vector<QString>& paths)
{
    const PieceStore& store = currentSource().store();
    for (const QString& path : paths) {
        // A piece that never reached the disk (a folder in its way, a full disk) has no file to move.
        if (!path.startsWith(store.folder()) || !QFileInfo(path).isFile())
            continue;
        QString failure;
        const QString aside = store.setAside(path, &failure);
        if (aside.isEmpty())
            Q_EMIT message(QString("Could not read \"%1\", nor move it aside (%2): remove it, so that the next "
                                   "download fetches it again.\n")
                               .arg(path, failure));
        else
            Q_EMIT message(
                QString("Could not read \"%1\": moved it to \"%2\"; the next download fetches it again.\n")
                    .arg(path, aside));
    }
}
