#include "network/IdIndex.h"

#include <algorithm>

namespace {
// Fibonacci hashing: ids that are close together, as OpenStreetMap ids in a file
// usually are, spread over the whole table.
const quint64 hashFactor = 0x9E3779B97F4A7C15ULL;
} // namespace

std::size_t IdIndex::slotOf(qint64 id) const
{
    return std::size_t((quint64(id) * hashFactor) >> (64 - bits));
}

qint64 IdIndex::find(qint64 id) const
{
    if (count == 0)
        return -1;
    const std::size_t mask = table.size() - 1;
    for (std::size_t i = slotOf(id);; i = (i + 1) & mask) {
        const Slot& slot = table[i];
        if (slot.position < 0)
            return -1;
        if (slot.id == id)
            return slot.position;
    }
}

void IdIndex::insert(qint64 id, qint64 position)
{
    // At most half full, so that a search meets an empty slot soon.
    if (2 * (count + 1) > table.size())
        grow();
    const std::size_t mask = table.size() - 1;
    std::size_t i = slotOf(id);
    while (table[i].position >= 0)
        i = (i + 1) & mask;
    table[i] = {id, position};
    ++count;
}

void IdIndex::clear()
{
    count = 0;
    // A small table is kept for the next file; a large one (a big single file) is
    // given back, so that its memory is not held while later files are read.
    if (bits > 16) {
        std::vector<Slot>().swap(table);
        bits = 0;
    } else {
        std::fill(table.begin(), table.end(), Slot{0, -1});
    }
}

void IdIndex::grow()
{
    std::vector<Slot> old;
    old.swap(table);
    bits = bits ? bits + 1 : 10;
    table.assign(std::size_t(1) << bits, Slot{0, -1});
    count = 0;
    for (const Slot& slot : old)
        if (slot.position >= 0)
            insert(slot.id, slot.position);
}
