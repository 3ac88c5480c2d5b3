#ifndef EXTRACTION_KEPTOBJECTS_H
#define EXTRACTION_KEPTOBJECTS_H

// The nodes, ways and route relations that the network keeps, as the input has them: every
// version attribute, tag, node reference and member, for the network file in standard OSM
// XML. It is filled by a second reading of the input files once the network is complete, and
// takes of each object the definition the network took. Used in the processing worker thread.
#include <QHash>
#include <QtGlobal>
#include <string>
#include <utility>
#include <vector>

class OSMData;

class KeptObjects
{
public:
    // The version attributes of an object, in the order they are written.
    enum Metadata { Version, Changeset, Timestamp, User, Uid, metadataCount };
    static const char* const metadataNames[metadataCount];

    struct Member
    {
        const char* type; // "node", "way" or "relation"
        qint64 ref;
        std::string role; // UTF-8; empty when the input named none
    };

    struct Object
    {
        qint64 id = 0;
        std::string metadata[metadataCount]; // as read; only those in `present` count
        unsigned present = 0;                // bit (1 << Metadata) set for each attribute read
        std::vector<std::pair<std::string, std::string>> tags; // UTF-8, in input order
        double lat = 0; // nodes
        double lon = 0;
        std::vector<qint64> refs;    // ways: every node reference, in order
        std::vector<Member> members; // relations: every member, in order

        void setMetadata(Metadata which, std::string text);
    };

    // Takes from the network which objects are wanted: its used nodes, the ways it writes
    // (those with a node) and its route relations.
    explicit KeptObjects(OSMData& data);

    // Whether a definition of this id is still to be read. A node is read until the
    // definition at the network's position has come.
    bool wantsNode(qint64 id) const;
    bool wantsWay(qint64 id) const;
    bool wantsRelation(qint64 id) const;
    // A definition read; the caller has checked that the network's rules keep it (a road or
    // tram track with two node references, a bus, trolleybus or tram route), as the network
    // took the first kept definition of each id. A node is taken at the network's position,
    // else only while none has come: a file that changed since it was read costs no node.
    void addNode(Object node);
    void addWay(Object way);
    void addRelation(Object relation);

    // The objects read, each sorted as OpenStreetMap files are: by id, positive ids after
    // 0 and the negative ones, which go by their magnitude.
    std::vector<const Object*> nodes() const { return sorted(nodeObjects); }
    std::vector<const Object*> ways() const { return sorted(wayObjects); }
    std::vector<const Object*> relations() const { return sorted(relationObjects); }
    // Wanted objects of which no definition was read.
    std::size_t missingCount() const;
    // OpenStreetMap's order of ids.
    static bool idBefore(qint64 a, qint64 b);

private:
    struct Entry
    {
        bool found = false;
        bool exact = false; // a node at the network's position
        double lat = 0;     // the network's position of a node
        double lon = 0;
        Object object;
    };
    static std::vector<const Object*> sorted(const QHash<qint64, Entry>& objects);
    static bool wants(const QHash<qint64, Entry>& objects, qint64 id);
    static void add(QHash<qint64, Entry>& objects, Object object);

    QHash<qint64, Entry> nodeObjects;
    QHash<qint64, Entry> wayObjects;
    QHash<qint64, Entry> relationObjects;
};

#endif
