#ifndef EXTRACTION_OSMENTITY_H
#define EXTRACTION_OSMENTITY_H

// One node, way or relation as a reader read it from a file, whatever the file's format: its
// id, position, tags, node references and members, the version attributes, whether it is
// visible and what an editor marked it for. Texts are UTF-8, held in the entity's own store, so
// that a copy is complete in itself. A reader refills one entity for each element; a handler
// that keeps one copies it. A plain value, for any thread.
#include <QtGlobal>
#include <string>
#include <string_view>
#include <vector>

class OSMEntity
{
public:
    enum Kind { Node, Way, Relation };
    enum MemberType { NodeMember, WayMember, RelationMember, OtherMember };
    // The version attributes, in the order OpenStreetMap XML writes them.
    enum Metadata { Version, Changeset, Timestamp, User, Uid, metadataCount };
    static const char* const metadataNames[metadataCount];
    // The action attribute that JOSM writes for objects edited but not yet uploaded.
    enum class Action { None, Modify, Delete, Other };

    // A text in the store.
    struct Text
    {
        std::size_t offset = 0;
        std::size_t size = 0;
    };
    struct Tag
    {
        Text key;
        Text value;
    };
    struct Member
    {
        MemberType type;
        qint64 ref;
        Text role; // empty when the file names none
    };

    explicit OSMEntity(Kind kind = Node) { reset(kind); }

    // Empties the entity for the next element of this kind (keeping its memory).
    void reset(Kind newKind);
    Kind kind() const { return entityKind; }

    qint64 id = 0;
    double lat = 0; // nodes
    double lon = 0;
    // The version number, read whether or not the version attributes are: 0 when the file
    // gives none.
    qint64 version = 0;
    bool visible = true;
    Action action = Action::None;
    std::vector<qint64> refs; // ways: the node references, in order

    // Texts: copied into the store, or written there by a reader (from offset() on) and then
    // taken with textFrom().
    Text addText(std::string_view utf8);
    std::string& store() { return texts; }
    Text textFrom(std::size_t offset) const { return {offset, texts.size() - offset}; }
    std::string_view text(Text t) const { return std::string_view(texts).substr(t.offset, t.size); }

    void addTag(Text key, Text value) { tagList.push_back({key, value}); }
    void addTag(std::string_view key, std::string_view value);
    std::size_t tagCount() const { return tagList.size(); }
    std::string_view key(std::size_t i) const { return text(tagList[i].key); }
    std::string_view value(std::size_t i) const { return text(tagList[i].value); }

    void addMember(MemberType type, qint64 ref, Text role) { memberList.push_back({type, ref, role}); }
    const std::vector<Member>& members() const { return memberList; }
    std::string_view role(const Member& member) const { return text(member.role); }

    void setMetadata(Metadata which, Text value);

    // A compact byte form of what an output file takes of the entity (its version attributes,
    // tags, node references and members; not the id, position or marks), for holding many
    // entities in one buffer: appended to `bytes`, and read back into an entity that has been
    // reset to its kind.
    void appendTo(std::string& bytes) const;
    void readFrom(std::string_view bytes);
    bool hasMetadata(Metadata which) const { return metadataPresent & (1u << which); }
    std::string_view metadata(Metadata which) const { return text(metadataTexts[which]); }

private:
    Kind entityKind = Node;
    std::string texts;
    std::vector<Tag> tagList;
    std::vector<Member> memberList;
    Text metadataTexts[metadataCount];
    unsigned metadataPresent = 0;
};

#endif
