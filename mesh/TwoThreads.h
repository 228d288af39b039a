// runOnTwoThreads, runInParts: work cut into two parts, the second on a thread of its own where
// the machine has a second processor, so that the parts run side by side.
#pragma once

#include <exception>
#include <system_error>
#include <thread>

namespace kalderino {

// Calls work(0) and work(1), which must touch disjoint data, and returns when both have
// returned: side by side where a second processor and a thread can be had, else one after the
// other. The parts' results cannot depend on which way they ran. What either part throws (memory
// running out, most likely) is thrown here once both have ended, never past a running thread.
template <typename Work> void runOnTwoThreads(const Work& work) {
    std::exception_ptr secondFailure;
    std::thread second;
    if (std::thread::hardware_concurrency() > 1) {
        try {
            second = std::thread([&work, &secondFailure] {
                try {
                    work(1);
                } catch (...) {
                    secondFailure = std::current_exception();
                }
            });
        } catch (const std::system_error&) {  // no thread to be had: both parts here
        }
    }
    try {
        work(0);
    } catch (...) {
        if (second.joinable()) second.join();
        throw;
    }
    if (!second.joinable()) return work(1);
    second.join();
    if (secondFailure) std::rethrow_exception(secondFailure);
}

// runOnTwoThreads when parts is 2, work(0) alone when it is 1: for work that is cut in two only
// when it is big enough to be worth a thread.
template <typename Work> void runInParts(int parts, const Work& work) {
    if (parts == 1) {
        work(0);
    } else {
        runOnTwoThreads(work);
    }
}

}  // namespace kalderino
