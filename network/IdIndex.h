#ifndef NETWORK_IDINDEX_H
#define NETWORK_IDINDEX_H

// A map from OpenStreetMap ids to positions in a list, for the nodes of the file
// being read. A flat open-addressing table: one allocation for all entries (a
// QHash allocates one per entry), so a file of a million nodes costs a few dozen
// bytes per node and no allocation per node. Entries are only added; clear() empties
// it for the next file. Used only in the processing worker thread.
#include <QtGlobal>
#include <vector>

class IdIndex
{
public:
    // The position stored for this id, or -1.
    qint64 find(qint64 id) const;
    // Stores the position for an id that is not in the index yet.
    void insert(qint64 id, qint64 position);
    void clear();
    std::size_t size() const { return count; }
    // Slots of the table, used or not: what the index holds in memory.
    std::size_t slotCount() const { return table.size(); }

private:
    struct Slot
    {
        qint64 id;
        qint64 position; // -1: empty
    };
    std::size_t slotOf(qint64 id) const;
    void grow();

    std::vector<Slot> table;
    std::size_t count = 0;
    int bits = 0; // table.size() == 1 << bits
};

#endif
