#ifndef MAPVIEW_ANSWERBODY_H
#define MAPVIEW_ANSWERBODY_H

// The body of a reply of the tile servers or of Nominatim, read as it arrives and inflated by
// the content decoder, at most a given number of bytes of it: past that the reply is ended,
// so memory stays near the limit whatever the server sends. A child of its reply, living in
// the reply's thread.
#include "common/ContentDecoder.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class QNetworkReply;
class QNetworkRequest;

class AnswerBody : public QObject
{
    Q_OBJECT
public:
    // Asks for the encodings the decoder reads: Qt then hands over the bytes as they came.
    static void prepare(QNetworkRequest& request);
    // Reads the reply's body from now on, at most `limit` inflated bytes.
    static void attach(QNetworkReply* reply, qint64 limit);
    // The body of a finished reply, read to its end; null when none was attached.
    static AnswerBody* of(QNetworkReply* reply);

    // The whole body arrived and inflated.
    bool isWhole() const { return whole; }
    // It was larger than the limit; the reply was ended.
    bool isTooLarge() const;
    // Why it did not inflate ("gzip data corrupted: ..."); empty when it did.
    QString failure() const;
    const QByteArray& bytes() const { return data; }

private Q_SLOTS:
    void read();

private:
    AnswerBody(QNetworkReply* reply, qint64 limit);
    void finish();

    QNetworkReply* reply; // the parent
    qint64 limit;
    std::unique_ptr<ContentDecoder> decoder; // made with the first bytes, when the headers are in
    QByteArray data;
    bool finished = false;
    bool whole = false;
};

#endif
