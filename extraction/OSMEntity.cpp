#include "extraction/OSMEntity.h"

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
