// Prefaulter: the worker thread that populates blocks.
#include "mesh/Prefaulter.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <sched.h>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>

namespace kalderino {

namespace {

// A huge page at a time: the worker stays close ahead of the writer, and stop() never waits for
// more than one chunk.
constexpr std::size_t kChunk = std::size_t{2} << 20;

bool hasSecondProcessor() {
    cpu_set_t set;
    CPU_ZERO(&set);
    return sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) >= 2;
}

}  // namespace

Prefaulter::Prefaulter() : enabled(hasSecondProcessor()) {}

Prefaulter::~Prefaulter() { stop(); }

void Prefaulter::add(void* block, std::size_t bytes) {
    if (!enabled || bytes == 0) return;
    // madvise takes whole pages; populating the part of a page before the block changes nothing.
    const std::uintptr_t pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t start = address / pageSize * pageSize;
    std::lock_guard<std::mutex> lock(mutex);
    if (stopping) return;
    queue.push_back({reinterpret_cast<char*>(start), static_cast<char*>(block) + bytes});
    if (!worker.joinable()) {
        try {
            worker = std::thread(&Prefaulter::work, this);
        } catch (const std::system_error&) {
            // No thread to be had: the writer faults its pages in itself, as it would anyway.
            queue.clear();
            enabled = false;
            return;
        }
    }
    wake.notify_one();
}

void Prefaulter::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        queue.clear();
    }
    wake.notify_one();
    if (worker.joinable()) worker.join();
}

void Prefaulter::work() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !queue.empty(); });
        if (stopping) return;
        Block& block = queue.front();
        char* const first = block.next;
        const std::size_t length =
            std::min(kChunk, static_cast<std::size_t>(block.end - block.next));
        block.next += length;
        if (block.next == block.end) queue.pop_front();
        lock.unlock();
        const bool populated = ::madvise(first, length, MADV_POPULATE_WRITE) == 0;
        const int error = errno;
        lock.lock();
        // EINVAL: a kernel older than 5.14, which does not know the advice; nothing more to do.
        // Any other failure (no memory left, say) the writer meets and handles itself.
        if (!populated && error == EINVAL) queue.clear();
    }
}

}  // namespace kalderino
