#include "extraction/OSMEntity.h"

#include <cstring>

const char* const OSMEntity::metadataNames[metadataCount] = {"version", "changeset", "timestamp", "user", "uid"};

void OSMEntity::reset(Kind newKind)
{
    entityKind = newKind;
    id = 0;
    lat = lon = 0;
    version = 0;
    visible = true;
    action = Action::None;
    refs.clear();
    texts.clear();
    tagList.clear();
    memberList.clear();
    metadataPresent = 0;
}

OSMEntity::Text OSMEntity::addText(std::string_view utf8)
{
    const std::size_t offset = texts.size();
    texts.append(utf8.data(), utf8.size());
    return {offset, utf8.size()};
}

void OSMEntity::addTag(std::string_view key, std::string_view value)
{
    const Text k = addText(key);
    tagList.push_back({k, addText(value)});
}

void OSMEntity::setMetadata(Metadata which, Text value)
{
    metadataTexts[which] = value;
    metadataPresent |= 1u << which;
}

namespace {

// The byte form: a length or count is 4 bytes, a text its length and its bytes, an id 8 bytes,
// all in the machine's order (the form never leaves the process).
template <typename Value>
char* put(char* at, Value value)
{
    std::memcpy(at, &value, sizeof value);
    return at + sizeof value;
}

char* putText(char* at, std::string_view text)
{
    at = put(at, quint32(text.size()));
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

template <typename Value>
Value take(std::string_view& bytes)
{
    Value value;
    std::memcpy(&value, bytes.data(), sizeof value);
    bytes.remove_prefix(sizeof value);
    return value;
}

std::string_view takeText(std::string_view& bytes)
{
    const std::size_t size = take<quint32>(bytes);
    const std::string_view text = bytes.substr(0, size);
    bytes.remove_prefix(size);
    return text;
}

} // namespace

// The metadata mask, each text present, the tags, the node references, then the members. The
// size is counted first, so that the buffer grows once for the entity.
void OSMEntity::appendTo(std::string& bytes) const
{
    const std::size_t length = sizeof(quint32);
    std::size_t size = 1 + 3 * length + refs.size() * sizeof(qint64);
    for (int i = 0; i < metadataCount; ++i)
        if (hasMetadata(Metadata(i)))
            size += length + metadataTexts[i].size;
    for (const Tag& tag : tagList)
        size += 2 * length + tag.key.size + tag.value.size;
    for (const Member& member : memberList)
        size += 1 + sizeof(qint64) + length + member.role.size;
    const std::size_t start = bytes.size();
    bytes.resize(start + size);
    char* at = &bytes[start];
    *at++ = char(metadataPresent);
    for (int i = 0; i < metadataCount; ++i)
        if (hasMetadata(Metadata(i)))
            at = putText(at, text(metadataTexts[i]));
    at = put(at, quint32(tagList.size()));
    for (const Tag& tag : tagList)
        at = putText(putText(at, text(tag.key)), text(tag.value));
    at = put(at, quint32(refs.size()));
    if (!refs.empty())
        std::memcpy(at, refs.data(), refs.size() * sizeof(qint64));
    at += refs.size() * sizeof(qint64);
    at = put(at, quint32(memberList.size()));
    for (const Member& member : memberList)
        at = putText(put(put(at, char(member.type)), member.ref), text(member.role));
}

void OSMEntity::readFrom(std::string_view bytes)
{
    const unsigned present = static_cast<unsigned char>(bytes.front());
    bytes.remove_prefix(1);
    for (int i = 0; i < metadataCount; ++i)
        if (present & (1u << i))
            setMetadata(Metadata(i), addText(takeText(bytes)));
    for (quint32 tags = take<quint32>(bytes); tags > 0; --tags) {
        const std::string_view key = takeText(bytes);
        addTag(key, takeText(bytes));
    }
    refs.resize(take<quint32>(bytes));
    if (!refs.empty())
        std::memcpy(refs.data(), bytes.data(), refs.size() * sizeof(qint64));
    bytes.remove_prefix(refs.size() * sizeof(qint64));
    for (quint32 members = take<quint32>(bytes); members > 0; --members) {
        const MemberType type = MemberType(take<char>(bytes));
        const qint64 ref = take<qint64>(bytes);
        addMember(type, ref, addText(takeText(bytes)));
    }
}
