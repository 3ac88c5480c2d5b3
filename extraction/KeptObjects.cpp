#include "extraction/KeptObjects.h"

#include "extraction/NetworkKeepRules.h"
#include "extraction/RouteRoads.h"
#include "network/OSMData.h"

#include <algorithm>

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
    // Of one id the first node counts.
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const WantedNode& a, const WantedNode& b) { return idBefore(a.id, b.id); });
    nodes.erase(std::unique(nodes.begin(), nodes.end(),
                            [](const WantedNode& a, const WantedNode& b) { return a.id == b.id; }),
                nodes.end());
    wantedNodes.swap(nodes);
    // A way without nodes is not written in either format.
    for (const auto& way : data.getWays().ways())
        if (way->firstNode())
            wayObjects[way->getId()];
    for (const auto& relation : data.getRelations().relations())
        relationObjects[relation->getId()];
}

bool KeptObjects::wants(const QHash<qint64, Entry>& objects, qint64 id)
{
    const auto it = objects.constFind(id);
    return it != objects.constEnd() && !it->found;
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

void KeptObjects::offerNode(const NodeRecord& record)
{
    WantedNode* wanted = findNode(record.id);
    if (!wanted || wanted->exact)
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
    if (wantsNode(node.id))
        offerNode(appendNode(node));
}

void KeptObjects::add(QHash<qint64, Entry>& objects, const OSMEntity& object)
{
    const auto it = objects.find(object.id);
    if (it == objects.end() || it->found)
        return;
    it->found = true;
    it->object = object;
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

void KeptObjects::forEach(const QHash<qint64, Entry>& objects, const std::function<void(const OSMEntity&)>& visit)
{
    std::vector<const OSMEntity*> list;
    list.reserve(std::size_t(objects.size()));
    for (const Entry& entry : objects)
        if (entry.found)
            list.push_back(&entry.object);
    std::sort(list.begin(), list.end(), [](const OSMEntity* a, const OSMEntity* b) { return idBefore(a->id, b->id); });
    for (const OSMEntity* object : list)
        visit(*object);
}

void KeptObjects::forEach(OSMEntity::Kind kind, const std::function<void(const OSMEntity&)>& visit) const
{
    if (kind == OSMEntity::Way)
        return forEach(wayObjects, visit);
    if (kind == OSMEntity::Relation)
        return forEach(relationObjects, visit);
    OSMEntity node(OSMEntity::Node);
    for (const WantedNode& wanted : wantedNodes) {
        if (!wanted.found)
            continue;
        decodeNode(wanted.record, node);
        visit(node);
    }
}

std::size_t KeptObjects::missingCount() const
{
    std::size_t missing = std::size_t(
        std::count_if(wantedNodes.begin(), wantedNodes.end(), [](const WantedNode& node) { return !node.found; }));
    for (const QHash<qint64, Entry>* objects : {&wayObjects, &relationObjects})
        for (const Entry& entry : *objects)
            if (!entry.found)
                ++missing;
    return missing;
}

namespace {

void appendSize(std::string& bytes, std::size_t size)
{
    const quint32 value = quint32(size);
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void appendText(std::string& bytes, std::string_view text)
{
    appendSize(bytes, text.size());
    bytes.append(text.data(), text.size());
}

std::size_t takeSize(std::string_view& bytes)
{
    quint32 size = 0;
    std::copy(bytes.data(), bytes.data() + sizeof size, reinterpret_cast<char*>(&size));
    bytes.remove_prefix(sizeof size);
    return size;
}

std::string_view takeText(std::string_view& bytes)
{
    const std::size_t size = takeSize(bytes);
    const std::string_view text = bytes.substr(0, size);
    bytes.remove_prefix(size);
    return text;
}

} // namespace

// A node's record holds its metadata mask, each metadata text present, then its tags, each
// text after its length.
KeptObjects::NodeRecord KeptObjects::appendNode(const OSMEntity& node)
{
    const std::size_t offset = nodeBytes.size();
    char present = 0;
    for (int i = 0; i < OSMEntity::metadataCount; ++i)
        if (node.hasMetadata(OSMEntity::Metadata(i)))
            present = char(present | (1 << i));
    nodeBytes += present;
    for (int i = 0; i < OSMEntity::metadataCount; ++i)
        if (node.hasMetadata(OSMEntity::Metadata(i)))
            appendText(nodeBytes, node.metadata(OSMEntity::Metadata(i)));
    appendSize(nodeBytes, node.tagCount());
    for (std::size_t i = 0; i < node.tagCount(); ++i) {
        appendText(nodeBytes, node.key(i));
        appendText(nodeBytes, node.value(i));
    }
    return {node.id, node.lat, node.lon, offset, nodeBytes.size() - offset};
}

void KeptObjects::decodeNode(const NodeRecord& record, OSMEntity& node) const
{
    node.reset(OSMEntity::Node);
    node.id = record.id;
    node.lat = record.lat;
    node.lon = record.lon;
    std::string_view bytes = std::string_view(nodeBytes).substr(record.offset, record.size);
    const int present = bytes.front();
    bytes.remove_prefix(1);
    for (int i = 0; i < OSMEntity::metadataCount; ++i)
        if (present & (1 << i))
            node.setMetadata(OSMEntity::Metadata(i), node.addText(takeText(bytes)));
    for (std::size_t tags = takeSize(bytes); tags > 0; --tags) {
        const std::string_view key = takeText(bytes);
        node.addTag(key, takeText(bytes));
    }
}

void KeptObjects::fileRead(OSMData& data)
{
    OSMNodes& nodes = data.getNodes();
    std::vector<NodeRecord> kept;
    std::string keptBytes;
    for (const NodeRecord& record : nodeRecords) {
        if (!nodes.find(record.id))
            continue;
        kept.push_back({record.id, record.lat, record.lon, keptBytes.size(), record.size});
        keptBytes.append(nodeBytes, record.offset, record.size);
    }
    nodeRecords.swap(kept);
    nodeBytes.swap(keptBytes);
}

void KeptObjects::choose(OSMData& data)
{
    want(data);
    // The definitions of one id in the order read: the one at the network's position counts,
    // else the first. Their bytes stay where they are.
    for (const NodeRecord& record : nodeRecords)
        offerNode(record);
    std::vector<NodeRecord>().swap(nodeRecords);
    for (QHash<qint64, OSMEntity>* collected : {&collectedWays, &collectedRelations}) {
        QHash<qint64, Entry>& objects = collected == &collectedWays ? wayObjects : relationObjects;
        for (auto it = collected->begin(); it != collected->end(); ++it) {
            const auto entry = objects.find(it.key());
            if (entry != objects.end() && !entry->found) {
                entry->found = true;
                entry->object = std::move(it.value());
            }
        }
        collected->clear();
    }
}

void KeptObjects::collect(const OSMEntity& entity)
{
    switch (entity.kind()) {
    case OSMEntity::Node:
        nodeRecords.push_back(appendNode(entity));
        break;
    case OSMEntity::Way:
        if (!collectedWays.contains(entity.id))
            collectedWays.insert(entity.id, entity);
        break;
    case OSMEntity::Relation:
        if (!collectedRelations.contains(entity.id))
            collectedRelations.insert(entity.id, entity);
        break;
    }
}
