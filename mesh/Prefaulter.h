// Prefaulter: faults in fresh memory blocks on another processor, ahead of the thread that fills
// them.
//
// The kernel zeroes every page of a fresh block the first time it is touched; for the hundreds of
// megabytes of a big mesh that is most of the time of building it. Handed a block, a worker
// thread asks the kernel to populate it (MADV_POPULATE_WRITE) from its start, a chunk at a time,
// while the owner goes on with other work and later writes the block front to back. Nothing ever
// waits for the worker: a page it has not reached yet is faulted in by whoever touches it first,
// as without it. Populating never changes what a block holds, so it is safe at any time.
//
// With a single processor to run on, or on a kernel without MADV_POPULATE_WRITE, blocks are
// left alone: the worker would only take turns with the writer for the same work.
//
// Threads: one owner thread calls add, stop and the destructor; the worker it starts touches
// only the queued blocks, under the mutex.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

namespace kalderino {

class Prefaulter {
public:
    Prefaulter();
    virtual ~Prefaulter();  // stops the worker after the chunk it is on, and waits for it
    Prefaulter(const Prefaulter&) = delete;
    Prefaulter& operator=(const Prefaulter&) = delete;

    // Queues a block; blocks are populated in the order they come. The block must stay
    // allocated until stop() or the destructor returns.
    void add(void* block, std::size_t bytes);
    // Drops what is queued, lets the worker finish its chunk and waits for it.
    void stop();

    // Whether blocks are populated here at all: a second processor is there to do it.
    bool active() const { return enabled; }

private:
    struct Block {
        char* next;
        char* end;
    };
    void work();

    bool enabled;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Block> queue;  // guarded by mutex
    bool stopping = false;    // guarded by mutex
    std::thread worker;       // started with the first block
};

}  // namespace kalderino
