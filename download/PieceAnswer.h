#ifndef DOWNLOAD_PIECEANSWER_H
#define DOWNLOAD_PIECEANSWER_H

// The answer to the piece request in flight, read as its bytes arrive: inflated by the content
// decoder within the piece limit and, when its status is 2xx, checked as an OpenStreetMap
// document in the same pass. A 2xx body is kept while it may still be the piece; of anything
// else only the head, for the log. So memory stays near the limit whatever arrives. Used in
// the processing worker thread.
#include "common/ContentDecoder.h"
#include "download/OSMDocumentCheck.h"

#include <QByteArray>
#include <QString>
#include <memory>

class PieceAnswer
{
public:
    // What is kept of an answer that is not the piece: enough for an error page's words.
    static constexpr int headBytes = 4096;

    // A new answer, of this Content-Encoding; `success` when its status is 2xx.
    void begin(const QByteArray& contentEncoding, bool success);
    bool hasBegun() const { return decoder != nullptr; }
    // The next bytes as they came. False once the inflated body is past the limit: the
    // transfer is to end.
    bool take(const QByteArray& raw);
    // The transfer has ended.
    void finish();

    bool isTooLarge() const;
    // Why the body could not be inflated (corrupt or cut short); empty when it could.
    const QString& decodingFailure() const { return undecodable; }
    // A 2xx body: what the check found; and the body itself when it is Whole or ErrorRemark.
    OSMDocumentCheck::Outcome outcome() const { return checked; }
    const QString& problem() const { return checkProblem; }
    const QByteArray& body() const { return bytes; }

private:
    void keep(const char* data, qint64 size);

    std::unique_ptr<ContentDecoder> decoder;
    std::unique_ptr<OSMDocumentCheck> check; // of a 2xx answer, while it may be the piece
    bool decoding = false;                   // the rest of the body is still inflated
    QByteArray bytes;
    QString undecodable;
    OSMDocumentCheck::Outcome checked = OSMDocumentCheck::Outcome::Empty;
    QString checkProblem;
};

#endif
