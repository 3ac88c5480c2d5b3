#include "app/SelectionStatus.h"

#include "common/BoundingBox.h"
#include "download/AreaCount.h"

QString SelectionStatus::describe(const QRectF& area, DownloadSource source)
{
    const AreaCount count = AreaCount::of(BoundingBox::fromArea(area), source);
    if (count.tooLarge)
        return QStringLiteral("Selected area is too large");
    const qint64 missing = count.pieces - count.onDisk;
    if (source == DownloadSource::Api)
        return QString("%1 %2: %3 on disk, %4 to download")
            .arg(count.pieces)
            .arg(count.pieces == 1 ? "piece" : "pieces")
            .arg(count.onDisk)
            .arg(missing);
    // One Overpass request holds a whole area up to 0.25 degree a side.
    const QString requests = QString("%1 %2").arg(count.pieces).arg(count.pieces == 1 ? "request" : "requests");
    if (count.onDisk == 0)
        return requests;
    return QString("%1: %2 on disk, %3 to download").arg(requests).arg(count.onDisk).arg(missing);
}
