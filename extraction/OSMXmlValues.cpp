#include "extraction/OSMXmlValues.h"

#include "common/BoundingBox.h"
#include "extraction/NetworkKeepRules.h"

#include <QByteArray>
#include <QXmlStreamReader>

// Appends a text as UTF-8 to the entity's store. Most texts of a file are ASCII, which is copied
// character by character.
OSMEntity::Text OSMXmlValues::addUtf8(OSMEntity& entity, const QStringRef& text)
{
    std::string& store = entity.store();
    const std::size_t offset = store.size();
    const QChar* characters = text.unicode();
    const int size = text.size();
    store.resize(offset + std::size_t(size));
    char* out = &store[offset];
    for (int i = 0; i < size; ++i) {
        const ushort c = characters[i].unicode();
        if (c >= 0x80) {
            store.resize(offset);
            const QByteArray utf8 = text.toUtf8();
            store.append(utf8.constData(), std::size_t(utf8.size()));
            break;
        }
        out[i] = char(c);
    }
    return entity.textFrom(offset);
}

bool OSMXmlValues::toId(const QStringRef& text, qint64& id)
{
    bool ok = false;
    id = text.toLongLong(&ok, 10);
    return ok && NetworkKeepRules::isId(id);
}

bool OSMXmlValues::toCoordinate(const QStringRef& text, bool latitude, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && (latitude ? BoundingBox::isLatitude(value) : BoundingBox::isLongitude(value));
}

void OSMXmlValues::conversionFailed(bool diagnostics, const char* what, const QStringRef& text)
{
    if (!diagnostics)
        return;
    const QByteArray utf8 = text.toUtf8();
    NetworkKeepRules::conversionFailed(what, std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

void OSMXmlValues::readTag(const QXmlStreamReader& reader, OSMEntity& entity)
{
    QStringRef k;
    QStringRef v;
    bool hasK = false;
    bool hasV = false;
    const QXmlStreamAttributes list = reader.attributes();
    for (const QXmlStreamAttribute& attribute : list) {
        const QStringRef name = attribute.qualifiedName();
        if (!hasK && name == QLatin1String("k")) {
            k = attribute.value();
            hasK = true;
        } else if (!hasV && name == QLatin1String("v")) {
            v = attribute.value();
            hasV = true;
        }
    }
    if (!hasK || !hasV)
        return;
    const OSMEntity::Text key = addUtf8(entity, k);
    entity.addTag(key, addUtf8(entity, v));
}

void OSMXmlValues::readNd(const QXmlStreamReader& reader, OSMEntity& entity, bool diagnostics)
{
    const QXmlStreamAttributes list = reader.attributes();
    for (const QXmlStreamAttribute& attribute : list) {
        if (attribute.qualifiedName() != QLatin1String("ref"))
            continue;
        // A way never gains a node that is not its own.
        qint64 ref = 0;
        if (toId(attribute.value(), ref))
            entity.refs.push_back(ref);
        else
            conversionFailed(diagnostics, "Conversion failed ndRef: ", attribute.value());
        return;
    }
}

void OSMXmlValues::readMember(const QXmlStreamReader& reader, OSMEntity& entity, bool diagnostics)
{
    QStringRef values[3]; // type, ref, role
    bool found[3] = {};
    const QXmlStreamAttributes list = reader.attributes();
    for (const QXmlStreamAttribute& attribute : list) {
        const QStringRef name = attribute.qualifiedName();
        const int slot = name == QLatin1String("type") ? 0
            : name == QLatin1String("ref")             ? 1
            : name == QLatin1String("role")            ? 2
                                                       : -1;
        if (slot >= 0 && !found[slot]) {
            values[slot] = attribute.value();
            found[slot] = true;
        }
    }
    if (!found[0] || !found[1])
        return;
    qint64 ref = 0;
    if (!toId(values[1], ref)) {
        conversionFailed(diagnostics, "Conversion failed memberRefId: ", values[1]);
        return;
    }
    const OSMEntity::MemberType type = values[0] == QLatin1String("node") ? OSMEntity::NodeMember
        : values[0] == QLatin1String("way")                              ? OSMEntity::WayMember
        : values[0] == QLatin1String("relation")                          ? OSMEntity::RelationMember
                                                             : OSMEntity::OtherMember;
    entity.addMember(type, ref, addUtf8(entity, values[2]));
}
