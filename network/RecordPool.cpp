#include "network/RecordPool.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

const std::size_t chunkSize = std::size_t(1) << 20;

struct FreeRecord
{
    FreeRecord* next;
};

} // namespace

// The head of a chunk; its records follow. Chunks are aligned to their size, so that the chunk
// of a record is its address with the low bits cleared.
struct RecordPool::Chunk
{
    Chunk* previous = nullptr;
    Chunk* next = nullptr;
    FreeRecord* released = nullptr; // records given back, to be handed out first
    std::size_t live = 0;           // records handed out
    std::size_t fresh = 0;          // records ever handed out from the chunk's start on
    char* records() { return reinterpret_cast<char*>(this) + headSize; }
    static const std::size_t headSize = 64;
};

void RecordPool::List::add(Chunk* chunk)
{
    chunk->previous = nullptr;
    chunk->next = first;
    if (first)
        first->previous = chunk;
    first = chunk;
}

void RecordPool::List::remove(Chunk* chunk)
{
    if (chunk->previous)
        chunk->previous->next = chunk->next;
    else
        first = chunk->next;
    if (chunk->next)
        chunk->next->previous = chunk->previous;
    chunk->previous = chunk->next = nullptr;
}

void RecordPool::List::freeAll()
{
    while (Chunk* chunk = first) {
        first = chunk->next;
        chunk->~Chunk();
        std::free(chunk);
    }
}

RecordPool::~RecordPool()
{
    withRoom.freeAll();
    full.freeAll();
    if (spare) {
        spare->~Chunk();
        std::free(spare);
    }
}

RecordPool::RecordPool(std::size_t recordSize)
    : recordSize((recordSize + alignof(FreeRecord) - 1) / alignof(FreeRecord) * alignof(FreeRecord))
    , perChunk((chunkSize - Chunk::headSize) / this->recordSize)
{
    static_assert(sizeof(Chunk) <= Chunk::headSize, "the head of a chunk comes before its records");
}

RecordPool::Chunk* RecordPool::newChunk()
{
    if (Chunk* chunk = spare) {
        spare = nullptr;
        return chunk;
    }
    void* memory = std::aligned_alloc(chunkSize, chunkSize);
    if (!memory)
        throw std::bad_alloc();
    return new (memory) Chunk;
}

void* RecordPool::allocate()
{
    const std::lock_guard<std::mutex> lock(mutex);
    Chunk* chunk = withRoom.first;
    if (!chunk) {
        chunk = newChunk();
        withRoom.add(chunk);
    }
    void* record;
    if (FreeRecord* released = chunk->released) {
        chunk->released = released->next;
        record = released;
    } else {
        record = chunk->records() + chunk->fresh++ * recordSize;
    }
    if (++chunk->live == perChunk) {
        withRoom.remove(chunk);
        full.add(chunk);
    }
    return record;
}

void RecordPool::release(void* record)
{
    if (!record)
        return;
    const std::lock_guard<std::mutex> lock(mutex);
    Chunk* chunk = reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(record) & ~(chunkSize - 1));
    FreeRecord* released = static_cast<FreeRecord*>(record);
    released->next = chunk->released;
    chunk->released = released;
    if (chunk->live-- == perChunk) {
        full.remove(chunk);
        withRoom.add(chunk);
    }
    if (chunk->live > 0)
        return;
    withRoom.remove(chunk);
    if (spare) {
        chunk->~Chunk();
        std::free(chunk);
        return;
    }
    chunk->~Chunk();
    spare = new (chunk) Chunk;
}
