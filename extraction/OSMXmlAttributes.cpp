#include "extraction/OSMXmlAttributes.h"

#include "extraction/NetworkKeepRules.h"

const QLatin1String OSMXmlAttributes::nodeName("node");
const QLatin1String OSMXmlAttributes::wayName("way");
const QLatin1String OSMXmlAttributes::relationName("relation");
const QLatin1String OSMXmlAttributes::tagName("tag");
const QLatin1String OSMXmlAttributes::ndName("nd");
const QLatin1String OSMXmlAttributes::memberName("member");

void OSMXmlAttributes::conversionFailed(const char* what, const QStringRef& text)
{
    NetworkKeepRules::conversionFailed(what, text.toUtf8());
}

bool OSMXmlAttributes::tag(const QXmlStreamReader& reader, QStringRef& k, QStringRef& v)
{
    static const QLatin1String names[] = {QLatin1String("k"), QLatin1String("v")};
    QStringRef attributes[2];
    bool found[2];
    values(reader, names, attributes, found);
    k = attributes[0];
    v = attributes[1];
    return found[0] && found[1];
}

bool OSMXmlAttributes::atEndOf(const QXmlStreamReader& reader, QLatin1String name, bool& cut)
{
    if (reader.isEndElement() && reader.name() == name)
        return true;
    cut = reader.atEnd() || reader.hasError();
    return cut;
}

namespace {

bool toCoordinate(const QStringRef& text, bool latitude, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && (latitude ? NetworkKeepRules::isLatitude(value) : NetworkKeepRules::isLongitude(value));
}

} // namespace

bool OSMXmlAttributes::toId(const QStringRef& text, qint64& id)
{
    bool ok = false;
    id = text.toLongLong(&ok, 10);
    return ok && NetworkKeepRules::isId(id);
}

bool OSMXmlAttributes::node(const QXmlStreamReader& reader, double& lat, double& lon, qint64& id, bool report)
{
    static const QLatin1String names[] = {QLatin1String("lat"), QLatin1String("lon"), QLatin1String("id")};
    QStringRef attributes[3]; // null when absent, which fails to convert
    bool found[3];
    values(reader, names, attributes, found);
    if (!toCoordinate(attributes[0], true, lat)) {
        if (report)
            conversionFailed("Conversion failed lat: ", attributes[0]);
        return false;
    }
    if (!toCoordinate(attributes[1], false, lon)) {
        if (report)
            conversionFailed("Conversion failed lon: ", attributes[1]);
        return false;
    }
    if (!toId(attributes[2], id)) {
        if (report)
            conversionFailed("Conversion failed id: ", attributes[2]);
        return false;
    }
    return true;
}

qint64 OSMXmlAttributes::wayId(const QXmlStreamReader& reader, bool report)
{
    static const QLatin1String names[] = {QLatin1String("id")};
    QStringRef idText[1];
    bool found[1];
    values(reader, names, idText, found);
    if (!found[0])
        return 0;
    bool ok = false;
    const double value = idText[0].toDouble(&ok);
    qint64 id = 0;
    if (!ok || !NetworkKeepRules::wayIdFromNumber(value, id)) {
        if (report)
            conversionFailed("Conversion failed id: ", idText[0]);
        return 0;
    }
    return id;
}

bool OSMXmlAttributes::relationId(const QXmlStreamReader& reader, qint64& id, bool report)
{
    const QStringRef idText = reader.attributes().value(QLatin1String("id"));
    if (toId(idText, id))
        return true;
    if (report)
        conversionFailed("Conversion failed relationId: ", idText);
    return false;
}

bool OSMXmlAttributes::ndRef(const QXmlStreamReader& reader, qint64& ref, bool report)
{
    static const QLatin1String names[] = {QLatin1String("ref")};
    QStringRef value[1];
    bool found[1];
    values(reader, names, value, found);
    if (!found[0])
        return false;
    if (toId(value[0], ref))
        return true;
    if (report)
        conversionFailed("Conversion failed ndRef: ", value[0]);
    return false;
}
