// The large work areas of decoders (dictionaries, tables, input buffers): too large for
// a stack, so each is made on the heap (zeroed) at its first use and kept for the next
// member. One set per worker that decodes, never shared between threads: a worker's run
// owns it, so members decode side by side with no state in common.
#pragma once

#include <memory>
#include <vector>

namespace quillory {

class WorkAreas {
public:
    WorkAreas() = default;
    WorkAreas(const WorkAreas&) = delete;
    WorkAreas& operator=(const WorkAreas&) = delete;
    WorkAreas(WorkAreas&&) = default;
    WorkAreas& operator=(WorkAreas&&) = default;

    // The area of type Area, made value-initialised the first time it is asked for.
    template <class Area>
    Area& Get() {
        for (const Slot& slot : slots_) {
            if (slot.key == &kKey<Area>) return *static_cast<Area*>(slot.area.get());
        }
        Owned owned(new Area(), [](void* p) { delete static_cast<Area*>(p); });
        Area& area = *static_cast<Area*>(owned.get());
        slots_.push_back({&kKey<Area>, std::move(owned)});
        return area;
    }

private:
    // Each area type is told apart by the address of its own key, not by typeid: the
    // decoders' areas are types of the same name in unnamed namespaces of different files,
    // and type_info of such types may compare equal by name (clang with libstdc++ does).
    template <class Area>
    static inline const char kKey = 0;

    using Owned = std::unique_ptr<void, void (*)(void*)>;
    struct Slot {
        const char* key;
        Owned area;
    };

    std::vector<Slot> slots_;
};

}  // namespace quillory
