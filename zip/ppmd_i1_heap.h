// The memory of a PPMd var.I rev. 1 model, as Shkarin's sub-allocator lays it out: one
// block of the size the member declares, a text area growing up from its start and
// 12-byte units above it (contexts taken from the top, state lists from below), with
// free lists for 38 sizes of 1 to 128 units. A decoder must reproduce the encoder's
// allocations exactly, since when memory runs out the model is restarted or cut down
// and both sides must do so at the same symbol. Refuses nothing: a request that finds
// no room returns 0 and the model restores itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace quillory::zip::ppmd {

inline constexpr std::uint32_t kUnitSize = 12;
inline constexpr unsigned kIndexCount = 38;
inline constexpr unsigned kMaxUnits = 128;

class Heap {
public:
    // A free block: a stamp (all ones while free), the next block's offset, its units.
    struct Node {
        std::uint32_t stamp;
        std::uint32_t next;
        std::uint32_t units;
    };
    static_assert(sizeof(Node) == kUnitSize);

    // Makes a block of `bytes` (kept when it already has that size); false without memory.
    bool Allocate(std::uint32_t bytes);
    void Init();

    // Offsets within the block; 0 is no position (null).
    std::uint8_t* At(std::uint32_t offset) { return offset == 0 ? nullptr : base_.get() + offset; }
    std::uint32_t OffsetOf(const void* p) const {
        return p == nullptr
                   ? 0
                   : static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(p) - base_.get());
    }

    std::uint32_t AllocContext();
    std::uint32_t AllocUnits(unsigned units);
    std::uint32_t ExpandUnits(std::uint32_t offset, unsigned oldUnits);
    std::uint32_t ShrinkUnits(std::uint32_t offset, unsigned oldUnits, unsigned newUnits);
    void FreeUnits(std::uint32_t offset, unsigned units);
    // Frees one unit; the lowest unit joins the text area instead.
    void SpecialFreeUnit(std::uint32_t offset);
    // Moves a state list into a free block lower down, so the text area can grow.
    std::uint32_t MoveUnitsUp(std::uint32_t offset, unsigned units);
    // Gives the free blocks right above the text area to it.
    void ExpandTextArea();
    std::uint32_t UsedMemory() const;

    std::uint32_t size = 0;
    std::uint32_t heapStart = 0;
    std::uint32_t text = 0;  // where the next text byte goes
    std::uint32_t unitsStart = 0;
    std::uint32_t lowUnit = 0;
    std::uint32_t highUnit = 0;
    std::uint32_t glueCount = 0;
    Node lists[kIndexCount] = {};

private:
    Node* NodeAt(std::uint32_t offset) { return reinterpret_cast<Node*>(base_.get() + offset); }
    void Insert(Node& head, std::uint32_t offset, std::uint32_t units);
    std::uint32_t Remove(Node& head);
    std::uint32_t AllocUnitsRare(unsigned index);
    void Split(std::uint32_t offset, unsigned oldIndex, unsigned newIndex);
    void GlueFreeBlocks();

    std::unique_ptr<std::uint8_t[]> base_;
};

}  // namespace quillory::zip::ppmd
