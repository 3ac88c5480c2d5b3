#include "network/OSMNodes.h"

#include <algorithm>
#include <utility>

void OSMNodes::add(Node* node)
{
    const qint64 id = node->getId();
    const bool known = findInList(id) || findPending(id) >= 0;
    if (known)
        duplicateIds = true;
    if (pending.empty()) {
        appendToList(std::unique_ptr<Node>(node));
        return;
    }
    append({id, node->getLat(), node->getLon(), node->hasTrafficSignals(), std::unique_ptr<Node>(node)}, known);
}

void OSMNodes::define(qint64 id, double lat, double lon, bool trafficSignals)
{
    if (findInList(id) || findPending(id) >= 0)
        return;
    append({id, lat, lon, trafficSignals, nullptr}, false);
}

void OSMNodes::appendToList(std::unique_ptr<Node> node)
{
    const qint64 id = node->getId();
    if (listAscending && !list.empty() && id <= list.back()->getId()) {
        listAscending = false;
        std::vector<qint64>().swap(listSample);
        for (const auto& earlier : list)
            if (!index.contains(earlier->getId()))
                index.insert(earlier->getId(), earlier.get());
    }
    if (listAscending) {
        if (list.size() % sampleStep == 0)
            listSample.push_back(id);
    } else if (!index.contains(id)) {
        index.insert(id, node.get());
    }
    list.push_back(std::move(node));
}

Node* OSMNodes::findInList(qint64 id) const
{
    if (!listAscending)
        return index.value(id, nullptr);
    if (list.empty() || id > list.back()->getId() || id < list.front()->getId())
        return nullptr;
    // The sample, small enough to stay in the cache, names the stretch of the list that can
    // hold the id; only that stretch is searched.
    const std::size_t stretch =
        std::size_t(std::upper_bound(listSample.begin(), listSample.end(), id) - listSample.begin() - 1);
    const auto first = list.begin() + qint64(stretch * sampleStep);
    const auto last = list.size() - stretch * sampleStep > sampleStep ? first + qint64(sampleStep) : list.end();
    const auto it = std::lower_bound(first, last, id,
                                     [](const std::unique_ptr<Node>& node, qint64 value) { return node->getId() < value; });
    return it != last && (*it)->getId() == id ? it->get() : nullptr;
}

void OSMNodes::rebuildListLookup()
{
    index.clear();
    listSample.clear();
    if (listAscending) {
        for (std::size_t i = 0; i < list.size(); i += sampleStep)
            listSample.push_back(list[i]->getId());
        return;
    }
    for (const auto& node : list)
        if (!index.contains(node->getId()))
            index.insert(node->getId(), node.get());
}

void OSMNodes::append(Pending entry, bool known)
{
    const qint64 id = entry.id;
    if (pendingAscending && !pending.empty() && id <= pending.back().id) {
        pendingAscending = false;
        std::vector<qint64>().swap(pendingSample);
        for (std::size_t i = 0; i < pending.size(); ++i)
            if (!findInList(pending[i].id))
                pendingIndex.insert(pending[i].id, qint64(i));
    }
    if (!pendingAscending && !known)
        pendingIndex.insert(id, qint64(pending.size()));
    if (pendingAscending && pending.size() % sampleStep == 0)
        pendingSample.push_back(id);
    pending.push_back(std::move(entry));
}

qint64 OSMNodes::findPending(qint64 id) const
{
    if (!pendingAscending)
        return pendingIndex.find(id);
    if (pending.empty() || id > pending.back().id || id < pending.front().id)
        return -1;
    const std::size_t stretch = std::size_t(std::upper_bound(pendingSample.begin(), pendingSample.end(), id)
                                            - pendingSample.begin() - 1);
    const auto first = pending.begin() + qint64(stretch * sampleStep);
    const auto last = pending.size() - stretch * sampleStep > sampleStep ? first + qint64(sampleStep) : pending.end();
    const auto it = std::lower_bound(first, last, id,
                                     [](const Pending& entry, qint64 value) { return entry.id < value; });
    return it != last && it->id == id ? qint64(it - pending.begin()) : -1;
}

void OSMNodes::clearPending()
{
    pending.clear();
    pendingSample.clear();
    pendingIndex.clear();
    pendingAscending = true;
}

Node* OSMNodes::find(qint64 id)
{
    // Every node of `list` was created before every pending one.
    if (Node* node = findInList(id))
        return node;
    const qint64 position = findPending(id);
    if (position < 0)
        return nullptr;
    Pending& entry = pending[std::size_t(position)];
    if (!entry.record)
        entry.record.reset(new Node(entry.id, entry.lat, entry.lon, entry.trafficSignals));
    return entry.record.get();
}

const std::vector<std::unique_ptr<Node>>& OSMNodes::nodes()
{
    settle();
    return list;
}

// Moves every pending node, with a record, to the end of `list`.
void OSMNodes::settle()
{
    for (Pending& entry : pending) {
        if (!entry.record)
            entry.record.reset(new Node(entry.id, entry.lat, entry.lon, entry.trafficSignals));
        appendToList(std::move(entry.record));
    }
    clearPending();
}

void OSMNodes::removeUnusedNodes()
{
    std::size_t kept = checkedCount;
    bool removed = false;
    bool removedIndexed = false;
    for (std::size_t i = checkedCount; i < list.size(); ++i) {
        Node* node = list[i].get();
        if (node->isUsed()) {
            if (kept != i)
                list[kept] = std::move(list[i]);
            ++kept;
            continue;
        }
        removed = true;
        auto it = index.find(node->getId());
        if (it != index.end() && it.value() == node) {
            index.erase(it);
            removedIndexed = true;
        }
        list[i].reset();
    }
    list.resize(kept);
    // A removal keeps the order of ids; the sample names places in the list, which moved from
    // the first one checked on. Only records added directly with a repeated id can make an
    // indexed node have a later twin; then the index must name the first survivor.
    if (listAscending && removed) {
        listSample.resize((checkedCount + sampleStep - 1) / sampleStep);
        for (std::size_t i = listSample.size() * sampleStep; i < list.size(); i += sampleStep)
            listSample.push_back(list[i]->getId());
    } else if (removedIndexed && duplicateIds) {
        rebuildListLookup();
    }

    // A pending node is used only if it got a record and a way or stop took it. The entries go
    // one by one, so that their memory is given back while the list grows.
    while (!pending.empty()) {
        Pending entry = std::move(pending.front());
        pending.pop_front();
        if (entry.record && entry.record->isUsed())
            appendToList(std::move(entry.record));
    }
    clearPending();
    // Nodes before this position survived a removal; since `used` never resets they stay used.
    checkedCount = list.size();
}
