// SimplifiedCopies: the copying thread.
#include "session/SimplifiedCopies.h"

#include <new>
#include <system_error>

namespace kalderino {

SimplifiedCopies::SimplifiedCopies(std::vector<const TriangleMesh*> models, std::size_t most,
                                   Simplify simplify)
    : models(std::move(models)) {
    try {
        thread = std::thread([this, most, simplify] { copy(most, simplify); });
    } catch (const std::system_error&) {  // no thread to be had: no copies, full detail always
        finished.store(true, std::memory_order_release);
    }
}

SimplifiedCopies::~SimplifiedCopies() { wait(); }

void SimplifiedCopies::wait() {
    if (thread.joinable()) thread.join();
}

void SimplifiedCopies::copy(std::size_t most, Simplify simplify) {
    try {
        std::vector<const TriangleMesh*> drawn;
        bool any = false;
        for (const TriangleMesh* model : models) {
            TriangleMesh copied;
            if (simplify(*model, most, copied)) {
                copies.push_back(std::move(copied));
                drawn.push_back(&copies.back());
                any = true;
            } else {
                drawn.push_back(model);
            }
        }
        if (any) coarse = std::move(drawn);
    } catch (const std::bad_alloc&) {  // no memory for copies: full detail always
        copies.clear();
        coarse.clear();
    }
    finished.store(true, std::memory_order_release);
}

}  // namespace kalderino
