#include "mapview/NominatimClient.h"

#include "common/UserAgent.h"
#include "mapview/AnswerBody.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QVariant>

namespace {

const char defaultService[] = "https://nominatim.openstreetmap.org";
const char queryProperty[] = "pelagorQuery";
const char failureProperty[] = "pelagorFailure";

// A coordinate as Nominatim writes it, a string, or as a JSON number; NaN when it is neither.
double coordinate(const QJsonValue& value)
{
    if (value.isDouble())
        return value.toDouble();
    bool ok = false;
    const double number = value.toString().toDouble(&ok);
    return ok ? number : qQNaN();
}

// The box is [south, north, west, east], and must be one on Earth.
bool readBox(const QJsonValue& value, FoundPlace& place)
{
    const QJsonArray box = value.toArray();
    if (box.size() != 4)
        return false;
    place.bounds = BoundingBox(coordinate(box[2]), coordinate(box[0]), coordinate(box[3]), coordinate(box[1]));
    return place.bounds.problem().isEmpty();
}

} // namespace

NominatimClient::NominatimClient(QObject* parent)
    : QObject(parent)
    , manager(new QNetworkAccessManager(this))
    , service(serviceUrl())
    , languages(acceptLanguage())
    , timeLimitMs(defaultTimeLimitMs)
{
    connect(manager, SIGNAL(finished(QNetworkReply*)), this, SLOT(replyFinished(QNetworkReply*)));
    turnTimer.setSingleShot(true);
    // A coarse timer may fire a little early; the rest of the second is waited out whole.
    turnTimer.setTimerType(Qt::PreciseTimer);
    connect(&turnTimer, SIGNAL(timeout()), this, SLOT(sendPending()));
}

QUrl NominatimClient::serviceUrl()
{
    const QString configured = qEnvironmentVariable("PELAGOR_NOMINATIM_URL");
    return QUrl(configured.isEmpty() ? QString(defaultService) : configured);
}

QByteArray NominatimClient::acceptLanguage()
{
    QStringList tags;
    for (const QString& tag : QLocale::system().uiLanguages())
        if (tag != QLatin1String("C") && !tags.contains(tag))
            tags << tag;
    if (tags.isEmpty())
        tags << QLocale::system().bcp47Name();
    QByteArray header;
    for (int i = 0; i < tags.size(); ++i) {
        if (i > 0)
            header += ", ";
        header += tags[i].toLatin1();
        // Each later language a little less wanted than the one before.
        if (i > 0)
            header += ";q=" + QByteArray::number(qMax(1, 10 - i) / 10.0, 'f', 1);
    }
    return header;
}

void NominatimClient::setTimeLimit(int ms)
{
    timeLimitMs = ms;
}

void NominatimClient::search(const QString& text)
{
    const QString query = text.trimmed();
    if (query.isEmpty())
        return;
    current = query;
    const auto known = answers.constFind(query);
    if (known != answers.constEnd() || inFlight.contains(query)) {
        // Answered already, or on its way: no request.
        pending.clear();
        turnTimer.stop();
        if (known != answers.constEnd())
            Q_EMIT placesFound(query, known.value());
        return;
    }
    pending = query;
    sendPending();
}

void NominatimClient::sendPending()
{
    if (pending.isEmpty())
        return;
    if (sinceLastRequest.isValid() && sinceLastRequest.elapsed() < requestIntervalMs) {
        turnTimer.start(int(requestIntervalMs - sinceLastRequest.elapsed()));
        return;
    }
    const QString query = pending;
    pending.clear();
    send(query);
}

void NominatimClient::send(const QString& query)
{
    QUrl url = service;
    QString path = url.path();
    if (!path.endsWith('/'))
        path += '/';
    url.setPath(path + "search");
    // Encoded here rather than by QUrlQuery, which leaves '+' as it is: the server would read a space.
    url.setQuery("q=" + QString::fromLatin1(QUrl::toPercentEncoding(query))
                     + QString("&format=jsonv2&limit=%1").arg(placesAsked),
                 QUrl::StrictMode);

    QNetworkRequest request(url);
    request.setRawHeader(UserAgent::header, UserAgent::value);
    request.setRawHeader("Accept-Language", languages);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    AnswerBody::prepare(request);
    QNetworkReply* reply = manager->get(request);
    reply->setProperty(queryProperty, query);
    AnswerBody::attach(reply, largestAnswerBytes);
    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    connect(limit, SIGNAL(timeout()), this, SLOT(timeLimitReached()));
    limit->start(timeLimitMs);
    inFlight << query;
    sinceLastRequest.start();
}

void NominatimClient::timeLimitReached()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender()->parent());
    if (!reply || reply->isFinished())
        return;
    reply->setProperty(failureProperty, QString("no answer within %1 seconds").arg(timeLimitMs / 1000.0));
    reply->abort();
}

QString NominatimClient::failureOf(QNetworkReply* reply)
{
    const QString set = reply->property(failureProperty).toString();
    if (!set.isEmpty())
        return set;
    const AnswerBody* body = AnswerBody::of(reply);
    if (body && body->isTooLarge())
        return QString("the answer is larger than %1 bytes").arg(largestAnswerBytes);
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        return QString("the server answered HTTP %1 %2")
            .arg(status.toInt())
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
            .trimmed();
    if (reply->error() != QNetworkReply::NoError)
        return reply->errorString();
    if (!body || !body->isWhole())
        return body ? body->failure() : QString("no answer");
    return QString();
}

void NominatimClient::replyFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    const QString query = reply->property(queryProperty).toString();
    inFlight.removeOne(query);
    // The next request keeps a second from this answer too, not only from its request.
    sinceLastRequest.start();

    QString reason = failureOf(reply);
    std::vector<FoundPlace> places;
    if (reason.isEmpty() && readAnswer(AnswerBody::of(reply)->bytes(), places, reason))
        answers.insert(query, places);
    // The answer to an earlier search is kept, but the latest one is what the user waits for.
    if (query != current)
        return;
    if (reason.isEmpty())
        Q_EMIT placesFound(query, places);
    else
        Q_EMIT searchFailed(QString("Place search for \"%1\" failed: %2").arg(query, reason));
}

bool NominatimClient::readAnswer(const QByteArray& body, std::vector<FoundPlace>& places, QString& reason)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        reason = QString("the answer is not a list of places");
        return false;
    }
    const QJsonArray results = document.array();
    // More than were asked for are no more use, and would fill the list.
    for (int i = 0; i < qMin(results.size(), placesAsked); ++i) {
        if (!results[i].isObject()) {
            reason = QString("the answer is not a list of places");
            return false;
        }
        const QJsonObject result = results[i].toObject();
        FoundPlace place;
        place.displayName = result.value("display_name").toString();
        place.type = result.value("type").toString();
        if (place.displayName.isEmpty()) {
            reason = QString("place %1 of the answer has no name").arg(i + 1);
            return false;
        }
        if (!readBox(result.value("boundingbox"), place)) {
            reason = QString("place %1 of the answer has no valid bounding box").arg(i + 1);
            return false;
        }
        place.lat = coordinate(result.value("lat"));
        place.lon = coordinate(result.value("lon"));
        place.hasCentre = place.bounds.contains(place.lat, place.lon);
        places.push_back(place);
    }
    return true;
}
