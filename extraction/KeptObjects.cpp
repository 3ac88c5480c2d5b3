#include "extraction/KeptObjects.h"

#include "extraction/NetworkKeepRules.h"
#include "extraction/RouteRoads.h"
#include "network/OSMData.h"

#include <algorithm>
#include <cstring>

KeptObjects::KeptObjects(OSMData& data, const RouteRoads* routeRoads)
    : routeRoads(routeRoads)
{
    want(data);
}

void KeptObjects::want(OSMData& data)
{
    std::vector<WantedNode> nodes;
    for (const auto& node : data.getNodes().nodes())
        if (node->isUsed())
            nodes.push_back({node->getId(), node->getLat(), node->getLon(), false, false, {}});
    // Of one id the first node counts. The network holds them in order of ids as a rule.
    const auto before = [](const WantedNode& a, const WantedNode& b) { return idBefore(a.id, b.id); };
    if (!std::is_sorted(nodes.begin(), nodes.end(), before))
        std::stable_sort(nodes.begin(), nodes.end(), before);
    nodes.erase(std::unique(nodes.begin(), nodes.end(),
                            [](const WantedNode& a, const WantedNode& b) { return a.id == b.id; }),
                nodes.end());
    wantedNodes.swap(nodes);
    // A way without nodes is not written in either format.
    wayObjects.reserve(int(data.getWays().ways().size()));
    for (const auto& way : data.getWays().ways())
        if (way->firstNode())
            wayObjects[way->getId()].wanted = true;
    for (const auto& relation : data.getRelations().relations())
        relationObjects[relation->getId()].wanted = true;
}

bool KeptObjects::wants(const QHash<qint64, Entry>& objects, qint64 id)
{
    const auto it = objects.constFind(id);
    return it != objects.constEnd() && it->wanted && !it->found;
}

const KeptObjects::WantedNode* KeptObjects::findNode(qint64 id) const
{
    const auto it = std::lower_bound(wantedNodes.begin(), wantedNodes.end(), id,
                                     [](const WantedNode& node, qint64 id) { return idBefore(node.id, id); });
    return it != wantedNodes.end() && it->id == id ? &*it : nullptr;
}

KeptObjects::WantedNode* KeptObjects::findNode(qint64 id)
{
    return const_cast<WantedNode*>(static_cast<const KeptObjects*>(this)->findNode(id));
}

bool KeptObjects::wantsNode(qint64 id) const
{
    const WantedNode* node = findNode(id);
    return node && !node->exact;
}

bool KeptObjects::wantsWay(qint64 id) const
{
    return wants(wayObjects, id);
}

bool KeptObjects::wantsRelation(qint64 id) const
{
    return wants(relationObjects, id);
}

void KeptObjects::offerNode(const NodeRecord& record, WantedNode* wanted)
{
    if (wanted->exact)
        return;
    // A node removed at the end of one file may be defined anew by a later one; the network
    // has the definition that survived, known by its position.
    const bool exact = record.lat == wanted->lat && record.lon == wanted->lon;
    if (wanted->found && !exact)
        return;
    wanted->found = true;
    wanted->exact = exact;
    wanted->record = record;
}

void KeptObjects::node(const OSMEntity& node)
{
    WantedNode* wanted = findNode(node.id);
    if (wanted && !wanted->exact)
        offerNode(appendNode(node), wanted);
}

void KeptObjects::add(QHash<qint64, Entry>& objects, const OSMEntity& object)
{
    const auto it = objects.find(object.id);
    if (it != objects.end() && it->wanted && !it->found)
        take(*it, object);
}

void KeptObjects::take(Entry& entry, const OSMEntity& object)
{
    entry.found = true;
    entry.offset = objectBytes.size();
    object.appendTo(objectBytes);
    entry.size = objectBytes.size() - entry.offset;
}

void KeptObjects::way(const OSMEntity& way)
{
    if (NetworkKeepRules::keepsWay(way) || (routeRoads && routeRoads->keeps(way)))
        add(wayObjects, way);
}

void KeptObjects::relation(const OSMEntity& relation)
{
    if (NetworkKeepRules::route(relation).kept)
        add(relationObjects, relation);
}

bool KeptObjects::idBefore(qint64 a, qint64 b)
{
    const bool aPositive = a > 0;
    const bool bPositive = b > 0;
    if (aPositive != bPositive)
        return bPositive;
    // Compared by magnitude without negating: the lowest 64-bit value has no positive twin.
    return aPositive ? a < b : a > b;
}

std::vector<std::pair<qint64, const KeptObjects::Entry*>> KeptObjects::arranged(const QHash<qint64, Entry>& objects)
{
    std::vector<std::pair<qint64, const Entry*>> list;
    list.reserve(std::size_t(objects.size()));
    for (auto it = objects.cbegin(); it != objects.cend(); ++it)
        if (it->wanted && it->found)
            list.emplace_back(it.key(), &*it);
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return idBefore(a.first, b.first); });
    return list;
}

void KeptObjects::arrange()
{
    wayOrder = arranged(wayObjects);
    relationOrder = arranged(relationObjects);
}

std::size_t KeptObjects::places(OSMEntity::Kind kind) const
{
    return kind == OSMEntity::Node ? wantedNodes.size()
        : kind == OSMEntity::Way   ? wayOrder.size()
                                   : relationOrder.size();
}

void KeptObjects::forEach(OSMEntity::Kind kind, const std::function<void(const OSMEntity&)>& visit) const
{
    forEach(kind, 0, places(kind), visit);
}

void KeptObjects::forEach(OSMEntity::Kind kind, std::size_t first, std::size_t last,
                          const std::function<void(const OSMEntity&)>& visit) const
{
    last = std::min(last, places(kind));
    OSMEntity object(kind);
    if (kind == OSMEntity::Node) {
        for (std::size_t i = first; i < last; ++i) {
            if (!wantedNodes[i].found)
                continue;
            decodeNode(wantedNodes[i].record, object);
            visit(object);
        }
        return;
    }
    const auto& order = kind == OSMEntity::Way ? wayOrder : relationOrder;
    for (std::size_t i = first; i < last; ++i) {
        object.reset(kind);
        object.id = order[i].first;
        object.readFrom(std::string_view(objectBytes).substr(order[i].second->offset, order[i].second->size));
        visit(object);
    }
}

std::size_t KeptObjects::missingCount() const
{
    std::size_t missing = std::size_t(
        std::count_if(wantedNodes.begin(), wantedNodes.end(), [](const WantedNode& node) { return !node.found; }));
    for (const QHash<qint64, Entry>* objects : {&wayObjects, &relationObjects})
        for (const Entry& entry : *objects)
            if (entry.wanted && !entry.found)
                ++missing;
    return missing;
}

KeptObjects::NodeRecord KeptObjects::appendNode(const OSMEntity& node)
{
    const std::size_t offset = nodeBytes.size();
    node.appendTo(nodeBytes);
    return {node.id, node.lat, node.lon, offset, nodeBytes.size() - offset};
}

void KeptObjects::decodeNode(const NodeRecord& record, OSMEntity& node) const
{
    node.reset(OSMEntity::Node);
    node.id = record.id;
    node.lat = record.lat;
    node.lon = record.lon;
    node.readFrom(std::string_view(nodeBytes).substr(record.offset, record.size));
}

void KeptObjects::fileRead(OSMData& data)
{
    // Compacted in place: the records kept move down over those dropped; those before the first
    // one dropped stay where they are.
    OSMNodes& nodes = data.getNodes();
    std::size_t records = 0;
    std::size_t bytes = 0;
    for (const NodeRecord& record : nodeRecords) {
        if (!nodes.find(record.id))
            continue;
        if (record.offset != bytes)
            std::memmove(&nodeBytes[bytes], nodeBytes.data() + record.offset, record.size);
        nodeRecords[records++] = {record.id, record.lat, record.lon, bytes, record.size};
        bytes += record.size;
    }
    nodeRecords.resize(records);
    nodeBytes.resize(bytes);
}

void KeptObjects::choose(OSMData& data)
{
    want(data);
    // The definitions of one id in the order read: the one at the network's position counts,
    // else the first. Their bytes stay where they are.
    // Read in order of ids as a rule: each wanted node is looked for after the last one found
    // before the whole list is searched.
    auto next = wantedNodes.begin();
    for (const NodeRecord& record : nodeRecords) {
        WantedNode* wanted = next != wantedNodes.end() && next->id == record.id ? &*next : findNode(record.id);
        if (!wanted)
            continue;
        next = wantedNodes.begin() + (wanted - wantedNodes.data()) + 1;
        offerNode(record, wanted);
    }
    std::vector<NodeRecord>().swap(nodeRecords);
}

void KeptObjects::collect(const OSMEntity& entity)
{
    switch (entity.kind()) {
    case OSMEntity::Node:
        nodeRecords.push_back(appendNode(entity));
        break;
    case OSMEntity::Way:
    case OSMEntity::Relation: {
        // Kept until the network tells whether it is wanted.
        Entry& entry = (entity.kind() == OSMEntity::Way ? wayObjects : relationObjects)[entity.id];
        if (!entry.found)
            take(entry, entity);
        break;
    }
    }
}
