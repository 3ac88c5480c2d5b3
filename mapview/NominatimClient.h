#ifndef MAPVIEW_NOMINATIMCLIENT_H
#define MAPVIEW_NOMINATIMCLIENT_H

// Finds places by name with Nominatim, the OpenStreetMap search service, as its usage policy
// asks: one request for each search the user sends, at most one request a second, the answers
// of the session kept, and a time limit on every request. Lives in the GUI thread.
#include "mapview/FoundPlace.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

class NominatimClient : public QObject
{
    Q_OBJECT
public:
    static constexpr int requestIntervalMs = 1000;
    static constexpr int defaultTimeLimitMs = 10000;
    // The places a search asks for, and keeps of an answer that has more.
    static constexpr int placesAsked = 10;
    // Ten places take a few kilobytes; an answer far larger is no answer to a search. Counted
    // on the inflated bytes as they arrive.
    static constexpr qint64 largestAnswerBytes = 1 << 20;

    explicit NominatimClient(QObject* parent = nullptr);

    // PELAGOR_NOMINATIM_URL when set, else the public instance.
    static QUrl serviceUrl();
    // The languages of the system's locale, most wanted first, for the names in the answer.
    static QByteArray acceptLanguage();
    // Reads an answer, the first placesAsked places of it; false with the reason when it is not
    // a list of places with valid boxes.
    static bool readAnswer(const QByteArray& body, std::vector<FoundPlace>& places, QString& reason);

    // How long a request may take before it is given up.
    void setTimeLimit(int ms);

public Q_SLOTS:
    // Searches for the text (trimmed); an empty text is no search. The answer of the latest
    // search, and only that, comes with placesFound or searchFailed.
    void search(const QString& text);

Q_SIGNALS:
    void placesFound(const QString& query, const std::vector<FoundPlace>& places);
    // One line for the status bar, naming the search and the reason.
    void searchFailed(const QString& message);

private Q_SLOTS:
    void sendPending();
    void replyFinished(QNetworkReply* reply);
    void timeLimitReached();

private:
    void send(const QString& query);
    static QString failureOf(QNetworkReply* reply);

    QNetworkAccessManager* manager; // child of this object
    QUrl service;
    QByteArray languages;
    QHash<QString, std::vector<FoundPlace>> answers;
    QStringList inFlight;
    // The latest search, and the search waiting for its turn (empty: none).
    QString current;
    QString pending;
    // Since the last request went out or its answer came, whichever was later.
    QElapsedTimer sinceLastRequest;
    QTimer turnTimer;
    int timeLimitMs;
};

#endif
