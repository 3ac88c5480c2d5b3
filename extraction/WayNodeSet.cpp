#include "extraction/WayNodeSet.h"

#include "extraction/NetworkKeepRules.h"
#include "extraction/RouteRoads.h"

#include <algorithm>

void WayNodeSet::way(const OSMEntity& way)
{
    if (!NetworkKeepRules::keepsWay(way) && !(routeRoads && routeRoads->keeps(way)))
        return;
    ids.insert(ids.end(), way.refs.begin(), way.refs.end());
    // Ways share their end nodes: duplicates go now and then, so that they never pile up.
    if (ids.size() >= compactAt) {
        compact();
        compactAt = std::max(compactAt, 2 * ids.size());
    }
}

void WayNodeSet::compact()
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
}

void WayNodeSet::finish()
{
    compact();
    encode();
    std::vector<qint64>().swap(ids);
    cursor = Cursor();
    if (count > 0)
        enterBlock(0);
    previous = cursor;
}

void WayNodeSet::encode()
{
    count = ids.size();
    firsts.reserve((count + blockSize - 1) / blockSize);
    starts.reserve(firsts.capacity());
    differences.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i % blockSize == 0) {
            firsts.push_back(ids[i]);
            starts.push_back(std::uint32_t(differences.size()));
            continue;
        }
        // Unique and sorted: every difference is positive.
        quint64 difference = quint64(ids[i]) - quint64(ids[i - 1]);
        while (difference >= 0x80) {
            differences.push_back(std::uint8_t(difference | 0x80));
            difference >>= 7;
        }
        differences.push_back(std::uint8_t(difference));
    }
    differences.shrink_to_fit();
}

void WayNodeSet::enterBlock(std::size_t block) const
{
    cursor.block = block;
    cursor.inBlock = 0;
    cursor.byte = starts[block];
    cursor.id = firsts[block];
    cursor.atEnd = false;
}

bool WayNodeSet::step() const
{
    const std::size_t block = cursor.block;
    const std::size_t inBlock = cursor.inBlock + 1;
    if (inBlock == blockSize || block * blockSize + inBlock == count) {
        if (block + 1 == firsts.size()) {
            cursor.atEnd = true;
            return false;
        }
        enterBlock(block + 1);
        return true;
    }
    quint64 difference = 0;
    int shift = 0;
    std::uint8_t byte;
    do {
        byte = differences[cursor.byte++];
        difference |= quint64(byte & 0x7f) << shift;
        shift += 7;
    } while (byte & 0x80);
    cursor.inBlock = inBlock;
    cursor.id = qint64(quint64(cursor.id) + difference);
    return true;
}

bool WayNodeSet::contains(qint64 id) const
{
    if (count == 0)
        return false;
    // An id from the last one asked for on is found by stepping on from the cursor (an id
    // asked for twice, or one not in the set, costs nothing more). So is one from the id asked
    // for before it on, from where that answer stood: a reader that holds back one object asks
    // for each node before the network does. One below both is looked up from the start of its
    // block.
    if (id < cursor.asked) {
        if (id >= previous.asked) {
            std::swap(cursor, previous);
        } else {
            const auto after = std::upper_bound(firsts.begin(), firsts.end(), id);
            enterBlock(after == firsts.begin() ? 0 : std::size_t(after - firsts.begin() - 1));
        }
    } else if (id > cursor.asked) {
        previous = cursor;
    }
    cursor.asked = id;
    while (!cursor.atEnd && cursor.id < id)
        step();
    return !cursor.atEnd && cursor.id == id;
}
