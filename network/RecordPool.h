#ifndef NETWORK_RECORDPOOL_H
#define NETWORK_RECORDPOOL_H

// Memory for the many small records of the network model (nodes, ways), all of one size, cut
// from chunks of 1 MiB: a record costs its own size, where the general allocator adds 8 to 24
// bytes to each, and a chunk whose records are all gone is given back. Any thread may allocate
// and release; a lock guards the chunks.
#include <cstddef>
#include <mutex>

class RecordPool
{
public:
    // Records of at most this size, aligned for pointers and doubles.
    explicit RecordPool(std::size_t recordSize);
    // Gives back every chunk: the records still handed out die with it.
    ~RecordPool();
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;

    void* allocate();
    // Takes back a record that allocate() handed out.
    void release(void* record);

private:
    struct Chunk;
    struct List
    {
        Chunk* first = nullptr;
        void add(Chunk* chunk);
        void remove(Chunk* chunk);
        void freeAll();
    };
    Chunk* newChunk();

    std::mutex mutex;
    std::size_t recordSize;
    std::size_t perChunk;
    List withRoom;
    List full;
    // One chunk emptied and kept, so that a record allocated and released over and over at a
    // chunk's edge does not map and unmap a chunk each time.
    Chunk* spare = nullptr;
};

#endif
