#ifndef DOWNLOAD_REQUESTPOLICY_H
#define DOWNLOAD_REQUESTPOLICY_H

// How much a download may ask of its source before the user has said yes, in the terms of the
// source's usage policy: above a number of requests the window asks first and pelagor-download
// wants --force; an area without width or height, or too large to plan, is no download at all.
// The one home of these rules and their texts for the window and the command line; plain
// values, usable in any thread.
#include "common/BoundingBox.h"
#include "download/DownloadSource.h"
#include "download/FetchMode.h"

#include <QRectF>
#include <QString>
#include <QtGlobal>

class RequestPolicy
{
public:
    // The editing API's usage policy is for editing; those who read much are asked to take the
    // data elsewhere, and heavy readers are blocked.
    static constexpr qint64 maxApiRequests = 1000;
    // A public Overpass instance allows one user about 10,000 queries and 1 GB a day. A tile of
    // 0.25 degree answers with what the network keeps (roads, stops, routes, with metadata): a
    // few hundred kilobytes over open country, tens of megabytes over a city (the 0.04 x 0.02
    // degree of central Moscow alone make a network file of 0.2 MB), some 2 MB over the usual
    // mix of both. So the gigabyte runs out long before the queries do, at about 500 tiles: an
    // area of more takes more than one user's day.
    static constexpr qint64 maxOverpassRequests = 500;
    static qint64 maxRequests(DownloadSource source);

    // Whether every download refuses the area as too large to plan in pieces of `size` grid
    // units: its grid does not fit an int, or it has more than PiecePlan::maxPieces pieces.
    static bool tooLarge(const BoundingBox& box, int size);

    enum class Verdict {
        Go,       // within the limit
        AskFirst, // past the source's limit: the window asks, the command line wants --force
        NoArea,   // no width or height: nothing to download
        TooLarge  // more pieces than a download plans
    };
    // The area as the window and pelagor-download hand it to the run (BoundingBox::toArea), its
    // source and whether the run reuses the files on disk.
    static RequestPolicy of(const QRectF& area, DownloadSource source, FetchMode mode);

    Verdict verdict() const { return decision; }
    // The requests a run sends when nothing fails; for TooLarge the pieces of the area.
    qint64 requests() const { return count; }

    // pelagor-download's usage error for a verdict other than Go, after "pelagor-download: ";
    // `boxText` is the box as given.
    QString usageProblem(const QString& boxText) const;
    // The window's question before a run past the limit, and its title (AskFirst only).
    QString questionTitle() const;
    QString question() const;
    // The window's status line when it starts no run (NoArea only).
    static QString noAreaMessage();

private:
    DownloadSource source = DownloadSource::Api;
    Verdict decision = Verdict::Go;
    qint64 count = 0;
    qint64 overpassRequests = 0; // the same area from Overpass, offered in place of the API
    bool noWidth = false;
};

#endif
