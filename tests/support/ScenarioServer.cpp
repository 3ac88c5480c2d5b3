#include "tests/support/ScenarioServer.h"

#include "tests/support/EncodedBodies.h"
#include "tests/support/FakeOverpass.h"

#include <QDir>
#include <QFile>
#include <QUrlQuery>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "300M", "2G" or a number of bytes.
qint64 byteSize(const QString& text)
{
    const qint64 unit = text.endsWith('G') ? qint64(1) << 30 : text.endsWith('M') ? qint64(1) << 20 : 1;
    return (unit > 1 ? text.chopped(1) : text).toLongLong() * unit;
}

// The body as the options encode and damage it.
void encode(FakeHttpServer::Response& response, const QHash<QString, QString>& options)
{
    const QString encoding = options.value("encoding");
    if (encoding == "gzip" || encoding == "deflate") {
        response.body = encoding == "gzip" ? EncodedBodies::gzip(response.body) : EncodedBodies::deflate(response.body);
        response.headers.append(qMakePair(QByteArray("Content-Encoding"), encoding.toUtf8()));
    }
    const QString damage = options.value("damage");
    if (damage == "zeros")
        response.body = EncodedBodies::zeroedMiddle(response.body);
    else if (damage == "half")
        response.body.truncate(response.body.size() / 2);
}

const QByteArray errorPage = "<html><head><title>502 Bad Gateway</title></head>\n<body><h1>Bad Gateway</h1>"
                             "<p>The proxy received an invalid response.</p></body></html>\n";

} // namespace

ScenarioServer::ScenarioServer()
{
    server.setHandler([this](const FakeHttpServer::Request& request) { return respond(request); });
}

ScenarioServer::~ScenarioServer() = default;

bool ScenarioServer::listen()
{
    return server.listen();
}

bool ScenarioServer::load(const QString& scenarioFolder, QString& problem)
{
    const QStringList lines = QString::fromUtf8(readAll(scenarioFolder + "/server")).split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList words = lines[i].simplified().split(' ', Qt::SkipEmptyParts);
        if (words.isEmpty() || words.first().startsWith('#'))
            continue;
        if (words.first() == "data") {
            for (const QString& dir : words.mid(1))
                folders << QDir(scenarioFolder).absoluteFilePath(dir);
            continue;
        }
        Rule rule;
        rule.service = words.value(0);
        rule.box = words.value(1);
        int next = 2;
        if (words.value(next).endsWith('x')) {
            bool ok = false;
            rule.left = words.value(next).chopped(1).toInt(&ok);
            next += ok ? 1 : 0;
        }
        rule.answer = words.value(next);
        for (const QString& option : words.mid(next + 1)) {
            const int equals = option.indexOf('=');
            if (equals <= 0) {
                problem = QString("server, line %1: not an option: %2\n").arg(i + 1).arg(option);
                return false;
            }
            rule.options.insert(option.left(equals), option.mid(equals + 1));
        }
        if ((rule.service != "api" && rule.service != "overpass") || rule.box.isEmpty() || rule.answer.isEmpty()) {
            problem = QString("server, line %1: not a rule: %2\n").arg(i + 1).arg(lines[i]);
            return false;
        }
        rules << rule;
    }
    overpass.reset(new FakeOverpass(folders));
    return true;
}

FakeHttpServer::Response ScenarioServer::respond(const FakeHttpServer::Request& request)
{
    QString service;
    QString box;
    if (request.url.path().endsWith("/api/interpreter")) {
        service = "overpass";
        BoundingBox b;
        if (FakeOverpass::boxOf(request, b))
            box = QString("%1-%2-%3-%4").arg(b.west()).arg(b.south()).arg(b.east()).arg(b.north());
    } else {
        service = "api";
        box = QUrlQuery(request.url).queryItemValue("bbox").replace(',', '-');
    }
    const QString name = service + " " + box;
    seen << name;
    for (Rule& rule : rules) {
        if (rule.service != service || (rule.box != "*" && rule.box != box) || rule.left == 0
            || (rule.options.contains("path") && rule.options.value("path") != request.url.path()))
            continue;
        if (rule.left > 0)
            --rule.left;
        return answer(rule, service, box, request);
    }
    missed << name;
    return FakeHttpServer::Response::error(404, "no rule of the scenario answers this request");
}

QByteArray ScenarioServer::piece(const QString& box) const
{
    QByteArray data;
    for (const QString& folder : folders)
        if (data.isEmpty())
            data = readAll(folder + "/" + box + ".osm");
    return data;
}

FakeHttpServer::Response ScenarioServer::answer(const Rule& rule, const QString& service, const QString& box,
                                                const FakeHttpServer::Request& request) const
{
    const QByteArray data = service == "overpass" ? overpass->respond(request).body : piece(box);
    FakeHttpServer::Response response;
    bool isStatus = false;
    const int status = rule.answer.toInt(&isStatus);
    if (rule.answer == "serve") {
        response = data.isEmpty() ? FakeHttpServer::Response::error(404, "no such piece")
                                  : FakeHttpServer::Response::ok(data);
    } else if (isStatus) {
        response = FakeHttpServer::Response::error(status, status == 400 && service == "overpass"
                                                               ? "<html><body><p><strong>Error</strong>: line 3: parse "
                                                                 "error: Unknown type \"wat\"</p></body></html>\n"
                                                               : "Service Unavailable\n");
    } else if (rule.answer == "redirect") {
        // No to=, or an empty one: a redirect without a target.
        const QString to = rule.options.value("to");
        response = FakeHttpServer::Response::redirect(rule.options.value("status", "301").toInt(),
                                                      to.isEmpty() ? QByteArray() : (to + "?" + request.url.query()).toUtf8());
    } else if (rule.answer == "html") {
        response = FakeHttpServer::Response::ok(errorPage, "text/html");
    } else if (rule.answer == "text") {
        response = FakeHttpServer::Response::ok("You requested too many nodes (limit is 50000). Either request a "
                                                "smaller area, or use planet.osm\n",
                                                "text/plain");
    } else if (rule.answer == "cut") {
        response = FakeHttpServer::Response::ok(data.left(data.size() / 2));
    } else if (rule.answer == "bomb") {
        response = FakeHttpServer::Response::ok(EncodedBodies::osmBomb(byteSize(rule.options.value("size"))));
        response.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("gzip")));
        response.chunks = 4;
    } else if (rule.answer == "empty") {
        response = FakeHttpServer::Response::ok(QByteArray());
    } else if (rule.answer == "remark") {
        response = FakeHttpServer::Response::ok(
            data.left(data.indexOf("<node")) + "<remark> runtime error: Query timed out in \"query\" at line 9 after "
                                               "181 seconds. </remark>\n</osm>\n");
    } else {
        response = FakeHttpServer::Response::error(500, "unknown answer in the scenario: " + rule.answer.toUtf8());
    }
    encode(response, rule.options);
    if (rule.answer != "serve" || rule.options.contains("retry-after"))
        response.headers.append(qMakePair(QByteArray("Retry-After"), rule.options.value("retry-after", "0").toUtf8()));
    const QString framing = rule.options.value("framing", "length");
    response.chunkedCoding = framing == "chunked";
    response.omitLength = framing == "close";
    if (rule.options.contains("drop"))
        response.dropAfterBytes = rule.options.value("drop").toInt();
    return response;
}
