#include "mapview/AnswerBody.h"

#include <QNetworkReply>
#include <QNetworkRequest>

void AnswerBody::prepare(QNetworkRequest& request)
{
    request.setRawHeader("Accept-Encoding", ContentDecoder::acceptedEncodings);
}

void AnswerBody::attach(QNetworkReply* reply, qint64 limit)
{
    new AnswerBody(reply, limit);
}

AnswerBody* AnswerBody::of(QNetworkReply* reply)
{
    auto* body = reply->findChild<AnswerBody*>(QString(), Qt::FindDirectChildrenOnly);
    if (body)
        body->finish();
    return body;
}

AnswerBody::AnswerBody(QNetworkReply* reply, qint64 limit)
    : QObject(reply)
    , reply(reply)
    , limit(limit)
{
    connect(reply, SIGNAL(readyRead()), this, SLOT(read()));
}

void AnswerBody::read()
{
    const QByteArray raw = reply->readAll();
    if (finished)
        return;
    if (!decoder)
        decoder.reset(new ContentDecoder(reply->rawHeader("Content-Encoding"), limit));
    if (decoder->decode(raw, data) || decoder->state() != ContentDecoder::State::TooLarge)
        return;
    data.clear();
    // Queued: the reply does not finish inside its own signal.
    if (!reply->isFinished())
        QMetaObject::invokeMethod(reply, "abort", Qt::QueuedConnection);
}

void AnswerBody::finish()
{
    if (finished)
        return;
    read();
    finished = true;
    if (!decoder)
        decoder.reset(new ContentDecoder(reply->rawHeader("Content-Encoding"), limit));
    whole = decoder->finish();
    if (!whole)
        data.clear();
}

bool AnswerBody::isTooLarge() const
{
    return decoder && decoder->state() == ContentDecoder::State::TooLarge;
}

QString AnswerBody::failure() const
{
    return decoder ? decoder->errorString() : QString();
}
