#ifndef TESTS_SUPPORT_SCENARIOSERVER_H
#define TESTS_SUPPORT_SCENARIOSERVER_H

// The fake OpenStreetMap API and Overpass interpreter of a scenario, answering as the folder's
// `server` file says. One rule a line, taken in order; the first rule that matches a request
// and has answers left answers it:
//
//   data DIR...                           the OSM files answers are made of (relative to the folder)
//   SERVICE BOX [Nx] ANSWER [OPTION...]
//
// SERVICE is "api" (the map call, whatever its path) or "overpass" (the interpreter); BOX is a
// piece or tile as "W-S-E-N", or "*"; "Nx" lets the rule answer N requests only. ANSWER is
// "serve" (the piece's file, or the Overpass answer computed from the data), a status such as
// "503", "redirect" (to= the path and status= the status, 301 by default; the query follows),
// or an answer of 200 that is no usable data: "html" (an error page), "text" (a refusal in
// words), "cut" (the data cut in half, with a matching length), "empty", "remark" (Overpass's
// runtime error), "bomb" (gzip that inflates to size=N bytes, "300M", "2G", of an OSM document
// never ended, in four parts). Options: retry-after=S (every answer but "serve" carries
// "Retry-After: 0" otherwise, so that a scenario never waits), framing=length|chunked|close (how
// the end of the body is marked), drop=N (the connection closes after N bytes of the body),
// path=P (the rule answers only requests for that path), encoding=gzip|deflate (the body is
// sent so encoded), damage=zeros|half (the body as sent gets 4 KiB of zero bytes over its
// middle, or is cut in half with a matching length).
// A request that no rule answers gets 404 and is reported. Lives in the driver's thread.
#include "tests/support/FakeHttpServer.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

class FakeOverpass;

class ScenarioServer
{
public:
    ScenarioServer();
    ~ScenarioServer();

    // Reads the rules; false with `problem` set when a line is not one.
    bool load(const QString& scenarioFolder, QString& problem);
    bool listen();
    quint16 port() const { return server.port(); }
    // "api W-S-E-N" or "overpass W-S-E-N" for each request, in the order they came.
    const QStringList& requests() const { return seen; }
    // Requests no rule answered.
    const QStringList& unanswered() const { return missed; }
    // The API piece "W-S-E-N" as the data serves it; empty when the data has no such piece.
    QByteArray piece(const QString& box) const;

private:
    struct Rule
    {
        QString service;
        QString box;
        int left = -1; // answers left; -1 for any number
        QString answer;
        QHash<QString, QString> options;
    };
    FakeHttpServer::Response respond(const FakeHttpServer::Request& request);
    FakeHttpServer::Response answer(const Rule& rule, const QString& service, const QString& box,
                                    const FakeHttpServer::Request& request) const;

    FakeHttpServer server;
    QStringList folders;
    std::unique_ptr<FakeOverpass> overpass;
    QList<Rule> rules;
    QStringList seen;
    QStringList missed;
};

#endif
