#include "network/OSMNodes.h"

void OSMNodes::add(Node* node)
{
    list.emplace_back(node);
    auto it = index.find(node->getId());
    if (it == index.end())
        index.insert(node->getId(), node);
    else
        duplicateIds = true;
}

Node* OSMNodes::find(qint64 id) const
{
    return index.value(id, nullptr);
}

void OSMNodes::removeUnusedNodes()
{
    std::size_t kept = checkedCount;
    bool removedIndexed = false;
    for (std::size_t i = checkedCount; i < list.size(); ++i) {
        Node* node = list[i].get();
        if (node->isUsed()) {
            if (kept != i)
                list[kept] = std::move(list[i]);
            ++kept;
            continue;
        }
        auto it = index.find(node->getId());
        if (it != index.end() && it.value() == node) {
            index.erase(it);
            removedIndexed = true;
        }
        list[i].reset();
    }
    list.resize(kept);
    checkedCount = kept;
    // Only records added directly with a repeated id can make an indexed node have a
    // later twin; then the index must name the first survivor.
    if (removedIndexed && duplicateIds) {
        index.clear();
        for (const auto& node : list)
            if (!index.contains(node->getId()))
                index.insert(node->getId(), node.get());
    }
}
