#ifndef EXTRACTION_KEPTOBJECTS_H
#define EXTRACTION_KEPTOBJECTS_H

// The nodes, ways and route relations that the network keeps, as the input has them: every
// version attribute, tag, node reference and member, for the network file in standard OSM
// XML. Collected while the network is read (the kept ways and routes whole, every node the
// network may keep in a compact record until its file is read), and chosen once the network is
// complete: of each object the definition the network took. As a handler it takes what is still
// missing then from a second reading of the input files. Used in the processing worker thread.
#include "extraction/OSMHandler.h"

#include <QHash>
#include <QtGlobal>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class OSMData;
class RouteRoads;

class KeptObjects : public OSMHandler
{
public:
    // Collects while the network is read; choose() tells what is wanted.
    KeptObjects() = default;
    // Takes from the network which objects are wanted: its used nodes, the ways it writes
    // (those with a node) and its route relations. With `routeRoads` (not owned, outliving
    // these), a way it holds is kept as the network took it.
    explicit KeptObjects(OSMData& data, const RouteRoads* routeRoads = nullptr);

    // While the network is read: an entity the network keeps (a way or route relation) or may
    // keep (a node), read with its version attributes. The first way or relation of an id counts.
    void collect(const OSMEntity& entity);
    // After a file is read and its unused nodes removed: drops the records of nodes the network
    // no longer holds.
    void fileRead(OSMData& data);
    // Once the network is complete: takes from it which objects are wanted (as the constructor
    // does) and takes the collected definitions of them; missingCount() tells what is left.
    void choose(OSMData& data);

    bool selects() const override { return true; }

    // Once nothing more is read: puts the ways and relations found in the order of OpenStreetMap
    // files (the nodes are held in it), by id, positive ids after 0 and the negative ones, which
    // go by their magnitude.
    void arrange();
    // Hands each arranged object of the kind to `visit`, in that order. An object is handed over
    // in an entity that lives until the next one.
    void forEach(OSMEntity::Kind kind, const std::function<void(const OSMEntity&)>& visit) const;
    // The same in parts: the objects from place `first` to before `last` of the kind's places
    // (some places may be empty). Parts may be visited in several threads at once.
    std::size_t places(OSMEntity::Kind kind) const;
    void forEach(OSMEntity::Kind kind, std::size_t first, std::size_t last,
                 const std::function<void(const OSMEntity&)>& visit) const;
    // Wanted objects of which no definition was read.
    std::size_t missingCount() const;
    // OpenStreetMap's order of ids.
    static bool idBefore(qint64 a, qint64 b);

protected:
    // Whether a definition of this id is still to be read. A node is read until the
    // definition at the network's position has come.
    bool wantsNode(qint64 id) const override;
    bool wantsWay(qint64 id) const override;
    bool wantsRelation(qint64 id) const override;
    // A definition read is taken when the network's rules keep it (a road or tram track with
    // two node references, a bus, trolleybus or tram route), as the network took the first kept
    // definition of each id. A node is taken at the network's position, else only while none
    // has come: a file that changed since it was read costs no node.
    void node(const OSMEntity& node) override;
    void way(const OSMEntity& way) override;
    void relation(const OSMEntity& relation) override;

private:
    // A way or relation: wanted by the network, and the definition taken of it, if any. Those
    // collected while reading wait here until choose() tells which are wanted.
    struct Entry
    {
        bool wanted = false;
        bool found = false;
        // Its byte form in `objectBytes`.
        std::size_t offset = 0;
        std::size_t size = 0;
    };
    static bool wants(const QHash<qint64, Entry>& objects, qint64 id);
    // Takes `object` for its entry when it is wanted and has none yet.
    void add(QHash<qint64, Entry>& objects, const OSMEntity& object);
    void take(Entry& entry, const OSMEntity& object);
    static std::vector<std::pair<qint64, const Entry*>> arranged(const QHash<qint64, Entry>& objects);
    void want(OSMData& data);
    // A node read: its id, position and the place of its byte form in `nodeBytes`.
    struct NodeRecord
    {
        qint64 id;
        double lat;
        double lon;
        std::size_t offset;
        std::size_t size;
    };
    // A node the network holds, at its position there, and the definition taken of it. Nodes are
    // the bulk of the objects: they are held compact, and only the one being written is whole.
    struct WantedNode
    {
        qint64 id;
        double lat;
        double lon;
        bool found;
        bool exact; // taken at the network's position
        NodeRecord record;
    };
    NodeRecord appendNode(const OSMEntity& node);
    void decodeNode(const NodeRecord& record, OSMEntity& node) const;
    const WantedNode* findNode(qint64 id) const;
    WantedNode* findNode(qint64 id);
    // Takes the definition at `record` for `wanted` (the node of its id, never null) when it is
    // the one the network has, or the first of an id.
    void offerNode(const NodeRecord& record, WantedNode* wanted);

    const RouteRoads* routeRoads = nullptr;
    std::vector<WantedNode> wantedNodes; // sorted by idBefore()
    QHash<qint64, Entry> wayObjects;
    QHash<qint64, Entry> relationObjects;
    // The ways and relations found, as arrange() ordered them.
    std::vector<std::pair<qint64, const Entry*>> wayOrder;
    std::vector<std::pair<qint64, const Entry*>> relationOrder;
    // Collected while reading, in the order read.
    std::vector<NodeRecord> nodeRecords;
    std::string nodeBytes;
    // The ways and relations taken, one after another.
    std::string objectBytes;
};

#endif
