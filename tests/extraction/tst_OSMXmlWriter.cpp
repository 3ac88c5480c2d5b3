#include "extraction/OSMXmlWriter.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QXmlStreamWriter>
#include <QtTest>
#include <cmath>
#include <limits>

// The network file's writer against QXmlStreamWriter with auto-formatting and an
// indent of one blank: the same calls must give the same bytes and the same error
// state, for every text, number and element nesting.
class tst_OSMXmlWriter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void texts_data();
    void texts();
    void randomTexts();
    void coordinates_data();
    void coordinates();
    void randomCoordinates();
    void integers_data();
    void integers();
    void nesting_data();
    void nesting();
    void randomNesting();
    void largeDocumentInPieces();
    void partsFormattedApart_data();
    void partsFormattedApart();
    void deviceFailure();
};

namespace {

// One call sequence, played on both writers.
struct Step
{
    enum Kind { Start, Empty, End, Text, Literal, Integer, Coordinate } kind;
    const char* name;
    std::string text;
    qint64 integer = 0;
    double coordinate = 0;
};

struct Written
{
    QByteArray bytes;
    bool error = false;
};

Written withQt(const std::vector<Step>& steps)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(1);
    writer.writeStartDocument();
    for (const Step& s : steps) {
        const QString name = QLatin1String(s.name);
        switch (s.kind) {
        case Step::Start: writer.writeStartElement(name); break;
        case Step::Empty: writer.writeEmptyElement(name); break;
        case Step::End: writer.writeEndElement(); break;
        case Step::Text:
            writer.writeAttribute(name, QString::fromUtf8(s.text.data(), int(s.text.size())));
            break;
        case Step::Literal: writer.writeAttribute(name, QLatin1String(s.text.c_str())); break;
        case Step::Integer: writer.writeAttribute(name, QString::number(s.integer)); break;
        case Step::Coordinate: writer.writeAttribute(name, QString::number(s.coordinate, 'f', 7)); break;
        }
    }
    writer.writeEndDocument();
    return {buffer.data(), writer.hasError()};
}

void play(OSMXmlWriter& writer, const std::vector<Step>& steps)
{
    for (const Step& s : steps) {
        switch (s.kind) {
        case Step::Start: writer.writeStartElement(s.name); break;
        case Step::Empty: writer.writeEmptyElement(s.name); break;
        case Step::End: writer.writeEndElement(); break;
        case Step::Text: writer.writeAttribute(s.name, s.text); break;
        case Step::Literal: writer.writeAttribute(s.name, s.text.c_str()); break;
        case Step::Integer: writer.writeAttribute(s.name, s.integer); break;
        case Step::Coordinate: writer.writeCoordinateAttribute(s.name, s.coordinate); break;
        }
    }
}

// The steps played on one writer, the `part` among them on a part made from it where they come.
Written withOurs(const std::vector<Step>& steps, const std::vector<Step>& part = {},
                 const std::vector<Step>& after = {})
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool error = false;
    {
        OSMXmlWriter writer(&buffer);
        writer.writeStartDocument();
        play(writer, steps);
        OSMXmlWriter apart(OSMXmlWriter::Part(), writer);
        play(apart, part);
        writer.writeFormatted(apart);
        play(writer, after);
        writer.writeEndDocument();
        error = writer.hasError();
    }
    return {buffer.data(), error};
}

// A tag element in a node, as the network file has them.
std::vector<Step> tagWithText(const std::string& text)
{
    return {{Step::Start, "osm", {}},    {Step::Start, "node", {}},      {Step::Empty, "tag", {}},
            {Step::Literal, "k", "name"}, {Step::Text, "v", text},        {Step::End, nullptr, {}},
            {Step::End, nullptr, {}}};
}

void compareBoth(const std::vector<Step>& steps)
{
    const Written qt = withQt(steps);
    const Written ours = withOurs(steps);
    QCOMPARE(ours.bytes, qt.bytes);
    QCOMPARE(ours.error, qt.error);
}

std::string bytes(const QByteArray& b)
{
    return std::string(b.constData(), std::size_t(b.size()));
}

} // namespace

Q_DECLARE_METATYPE(std::vector<Step>)

namespace {

std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

void tst_OSMXmlWriter::texts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("error");
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("plain") << QByteArray("Tverskaya 7") << false;
    QTest::newRow("markup characters") << QByteArray("A & B <\"x\"> 'y'") << false;
    QTest::newRow("tab, line feed, return") << QByteArray("a\tb\nc\rd") << false;
    QTest::newRow("other control characters") << QByteArray("a\x01" "b\x0b" "c\x1f") << true;
    QTest::newRow("delete") << QByteArray("a\x7f" "b") << false;
    QTest::newRow("Cyrillic and Czech") << QByteArray("Žižkov ул. Тверская") << false;
    QTest::newRow("four-byte character") << QByteArray("bus \xF0\x9F\x9A\x8C stop") << false;
    QTest::newRow("U+FFFE and U+FFFF") << QByteArray("a\xEF\xBF\xBE" "b\xEF\xBF\xBF") << true;
    QTest::newRow("U+FFFD") << QByteArray("a\xEF\xBF\xBD") << false;
    QTest::newRow("broken UTF-8") << QByteArray("a\xff\xfe" "b\xC3") << false;
    QTest::newRow("encoded surrogate") << QByteArray("a\xED\xA0\x80" "b") << false;
    QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF" "b") << false;
    QTest::newRow("NUL inside") << QByteArray("a\0b", 3) << true;
}

void tst_OSMXmlWriter::texts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, error);
    const std::vector<Step> steps = tagWithText(bytes(text));
    compareBoth(steps);
    QCOMPARE(withOurs(steps).error, error);
}

void tst_OSMXmlWriter::randomTexts()
{
    // Bytes drawn mostly from the ranges that need care: markup, control characters,
    // and the lead and continuation bytes of multi-byte sequences.
    QRandomGenerator random(20261207);
    const char pool[] = "&<>\"\t\n\r\x01\x7f aZ\xC3\xA9\xD0\x96\xE2\x82\xAC\xEF\xBF\xBE\xF0\x9F\x9A\x8C\xED\xA0\x80\xff";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = int(random.bounded(12));
        for (int i = 0; i < length; ++i)
            text += random.bounded(4) ? pool[random.bounded(int(sizeof pool - 1))] : char(random.bounded(256));
        const std::vector<Step> steps = tagWithText(text);
        const Written qt = withQt(steps);
        const Written ours = withOurs(steps);
        QVERIFY2(ours.bytes == qt.bytes && ours.error == qt.error, QByteArray::fromStdString(text).toHex().constData());
    }
}

void tst_OSMXmlWriter::coordinates_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative zero") << -0.0;
    QTest::newRow("below the last digit, negative") << -1e-9;
    QTest::newRow("tie at the eighth decimal") << 0.00390625;
    QTest::newRow("negative tie") << -0.00390625;
    QTest::newRow("tie above one") << 1.00390625;
    QTest::newRow("seven decimals") << 55.8347362;
    QTest::newRow("nearly 180") << 179.99999995;
    QTest::newRow("minus 180") << -180.0;
    QTest::newRow("large") << 123456789.123456789;
    QTest::newRow("huge") << 1e300;
    QTest::newRow("just above the fast range") << 1000.00000005;
    QTest::newRow("top of the fast range") << -1000.0;
    QTest::newRow("rounds up to the next unit") << 37.99999999;
    QTest::newRow("near-tie below") << 55.123456749999;
    QTest::newRow("near-tie above") << 55.123456750001;
    QTest::newRow("negative, rounds to zero from below half") << -0.00000004;
    QTest::newRow("negative, rounds away from zero") << -0.00000006;
    QTest::newRow("not a number") << std::nan("");
    QTest::newRow("infinity") << -std::numeric_limits<double>::infinity();
    QTest::newRow("smallest") << std::numeric_limits<double>::denorm_min();
}

void tst_OSMXmlWriter::coordinates()
{
    QFETCH(double, value);
    compareBoth({{Step::Start, "osm", {}}, {Step::Empty, "node", {}}, {Step::Coordinate, "lat", {}, 0, value}});
}

void tst_OSMXmlWriter::randomCoordinates()
{
    QRandomGenerator random(55);
    std::vector<Step> steps{{Step::Start, "osm", {}}};
    for (int i = 0; i < 200000; ++i) {
        // Values with seven to nine decimals, so that rounding at the seventh matters,
        // and every tenth one an arbitrary double of the same range.
        const double value = i % 10 == 9
            ? (random.generateDouble() - 0.5) * 400
            : (qint64(random.generate64() % 360000000000ULL) - 180000000000LL) / std::pow(10.0, 7 + i % 3);
        steps.push_back({Step::Empty, "node", {}});
        steps.push_back({Step::Coordinate, "lon", {}, 0, value});
    }
    compareBoth(steps);
}

void tst_OSMXmlWriter::integers_data()
{
    QTest::addColumn<qint64>("value");
    QTest::newRow("zero") << qint64(0);
    QTest::newRow("negative") << qint64(-14);
    QTest::newRow("osm id") << qint64(11041582371);
    QTest::newRow("largest") << std::numeric_limits<qint64>::max();
    QTest::newRow("smallest") << std::numeric_limits<qint64>::min();
}

void tst_OSMXmlWriter::integers()
{
    QFETCH(qint64, value);
    compareBoth({{Step::Start, "osm", {}}, {Step::Empty, "nd", {}}, {Step::Integer, "ref", {}, value}});
}

void tst_OSMXmlWriter::nesting_data()
{
    using S = Step;
    QTest::addColumn<std::vector<Step>>("steps");
    QTest::newRow("nothing") << std::vector<Step>{};
    QTest::newRow("empty root") << std::vector<Step>{{S::Start, "osm", {}}, {S::End, nullptr, {}}};
    QTest::newRow("root left open") << std::vector<Step>{{S::Start, "osm", {}}, {S::Start, "node", {}}};
    QTest::newRow("node without children")
        << std::vector<Step>{{S::Start, "osm", {}}, {S::Start, "node", {}}, {S::Integer, "id", {}, 5},
                             {S::End, nullptr, {}}, {S::Start, "way", {}}, {S::Empty, "nd", {}},
                             {S::End, nullptr, {}}, {S::End, nullptr, {}}};
    QTest::newRow("empty element last") << std::vector<Step>{{S::Start, "osm", {}}, {S::Empty, "tag", {}}};
    QTest::newRow("end beyond the root")
        << std::vector<Step>{{S::Start, "osm", {}}, {S::End, nullptr, {}}, {S::End, nullptr, {}}};
    QTest::newRow("empty element, then end of root")
        << std::vector<Step>{{S::Empty, "osm", {}}, {S::End, nullptr, {}}, {S::Start, "x", {}}};
}

void tst_OSMXmlWriter::nesting()
{
    QFETCH(std::vector<Step>, steps);
    compareBoth(steps);
}

void tst_OSMXmlWriter::randomNesting()
{
    QRandomGenerator random(7);
    const char* names[] = {"osm", "node", "way", "relation", "nd", "member", "tag"};
    for (int round = 0; round < 300; ++round) {
        std::vector<Step> steps;
        const int length = int(random.bounded(40));
        for (int i = 0; i < length; ++i) {
            const char* name = names[random.bounded(7)];
            switch (random.bounded(5)) {
            case 0: steps.push_back({Step::Start, name, {}}); break;
            case 1: steps.push_back({Step::Empty, name, {}}); break;
            case 2: steps.push_back({Step::End, nullptr, {}}); break;
            case 3: steps.push_back({Step::Integer, "id", {}, qint64(random.generate64())}); break;
            default: steps.push_back({Step::Text, "v", "x&y"}); break;
            }
            // Attributes only right after a start tag, as the writers expect them.
            if ((steps.back().kind == Step::Integer || steps.back().kind == Step::Text)
                && (steps.size() < 2 || (steps[steps.size() - 2].kind != Step::Start
                                         && steps[steps.size() - 2].kind != Step::Empty)))
                steps.pop_back();
        }
        const Written qt = withQt(steps);
        const Written ours = withOurs(steps);
        QCOMPARE(ours.bytes, qt.bytes);
    }
}

void tst_OSMXmlWriter::largeDocumentInPieces()
{
    // More than the writer buffers at once, so that it writes in several pieces.
    std::vector<Step> steps{{Step::Start, "osm", {}}};
    for (int i = 0; i < 20000; ++i) {
        steps.push_back({Step::Start, "way", {}});
        steps.push_back({Step::Integer, "id", {}, i});
        steps.push_back({Step::Empty, "nd", {}});
        steps.push_back({Step::Integer, "ref", {}, -i});
        steps.push_back({Step::End, nullptr, {}});
    }
    const Written ours = withOurs(steps);
    QVERIFY(ours.bytes.size() > 500000);
    QCOMPARE(ours.bytes, withQt(steps).bytes);
}

void tst_OSMXmlWriter::partsFormattedApart_data()
{
    // Elements formatted by a part of the writer (as the file for other tools formats blocks of
    // objects in a second thread) give the bytes and error state of one writer: wherever the
    // part begins, whatever it holds.
    using S = Step;
    using Steps = std::vector<Step>;
    QTest::addColumn<Steps>("before");
    QTest::addColumn<Steps>("part");
    QTest::addColumn<Steps>("after");
    const Steps node{{S::Start, "node", {}}, {S::Integer, "id", {}, 7}, {S::Empty, "tag", {}},
                     {S::Text, "v", "a & b"}, {S::End, nullptr, {}}};
    const Steps way{{S::Start, "way", {}}, {S::Empty, "nd", {}}, {S::Integer, "ref", {}, 7}, {S::End, nullptr, {}}};
    const Steps root{{S::Start, "osm", {}}, {S::Literal, "version", "0.6"}};
    const Steps bounds{{S::Empty, "bounds", {}}, {S::Coordinate, "minlat", {}, 0, 55.75}};
    const Steps end{{S::End, nullptr, {}}};
    QTest::newRow("right after the root's start tag") << root << node << (way + end);
    QTest::newRow("after an empty element not yet closed") << (root + bounds) << (node + node) << (way + end);
    QTest::newRow("after a whole element") << (root + node) << (way + way) << end;
    QTest::newRow("an empty part: the root stays empty") << root << Steps{} << end;
    QTest::newRow("an empty part after elements") << (root + node) << Steps{} << (way + end);
    QTest::newRow("the last elements") << (root + node) << (way + way) << end;
    QTest::newRow("a part with a character XML cannot carry")
        << root << Steps{{S::Empty, "tag", {}}, {S::Text, "v", "a\x01"}} << end;
}

void tst_OSMXmlWriter::partsFormattedApart()
{
    QFETCH(std::vector<Step>, before);
    QFETCH(std::vector<Step>, part);
    QFETCH(std::vector<Step>, after);
    std::vector<Step> all = before;
    all.insert(all.end(), part.begin(), part.end());
    all.insert(all.end(), after.begin(), after.end());
    const Written qt = withQt(all);
    const Written ours = withOurs(before, part, after);
    QCOMPARE(ours.bytes, qt.bytes);
    QCOMPARE(ours.error, qt.error);
}

void tst_OSMXmlWriter::deviceFailure()
{
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    OSMXmlWriter writer(&readOnly);
    writer.writeStartDocument();
    writer.writeStartElement("osm");
    QVERIFY(!writer.hasError()); // nothing reached the device yet
    writer.writeEndDocument();
    QVERIFY(writer.hasError());
}

QTEST_GUILESS_MAIN(tst_OSMXmlWriter)
#include "tst_OSMXmlWriter.moc"
