// The sub-allocator of PPMd var.I rev. 1: unit counts per size index, the allocation
// order (contexts from the top of the units, states from their bottom, then the free
// lists, then gluing adjacent free blocks, then a larger block split, then the text
// area's end), and the bookkeeping the model's restoration reads (used memory, the text
// area). Every choice is the one the encoder made, so both models stay in step.
#include "zip/ppmd_i1_heap.h"

#include <array>
#include <cstring>
#include <new>

namespace quillory::zip::ppmd {
namespace {

// The size indices: 4 sizes of 1-4 units, 4 of 6-12 in steps of 2, 4 of 15-24 in steps
// of 3, 26 of 28-128 in steps of 4.
constexpr std::array<std::uint8_t, kIndexCount> IndexUnits() {
    std::array<std::uint8_t, kIndexCount> u{};
    unsigned i = 0;
    for (unsigned k = 0; k < 4; ++k)
        u[i++] = static_cast<std::uint8_t>(1 + k);
    for (unsigned k = 0; k < 4; ++k)
        u[i++] = static_cast<std::uint8_t>(6 + 2 * k);
    for (unsigned k = 0; k < 4; ++k)
        u[i++] = static_cast<std::uint8_t>(15 + 3 * k);
    for (unsigned k = 0; i < kIndexCount; ++k)
        u[i++] = static_cast<std::uint8_t>(28 + 4 * k);
    return u;
}
constexpr auto kIndexUnits = IndexUnits();
static_assert(kIndexUnits[kIndexCount - 1] == kMaxUnits);

// The smallest index whose blocks hold n + 1 units.
constexpr std::array<std::uint8_t, kMaxUnits> UnitsIndex() {
    std::array<std::uint8_t, kMaxUnits> x{};
    unsigned i = 0;
    for (unsigned n = 0; n < kMaxUnits; ++n) {
        if (kIndexUnits[i] < n + 1) ++i;
        x[n] = static_cast<std::uint8_t>(i);
    }
    return x;
}
constexpr auto kUnitsIndex = UnitsIndex();

constexpr std::uint32_t kFreeStamp = 0xFFFFFFFF;
// Blocks are glued again after this many rare allocations.
constexpr std::uint32_t kGluePeriod = 1u << 13;
// MoveUnitsUp moves only lists within this many bytes above the text area.
constexpr std::uint32_t kMoveUpReach = 16 * 1024;

constexpr std::uint32_t IndexBytes(unsigned index) {
    return kUnitSize * kIndexUnits[index];
}

}  // namespace

bool Heap::Allocate(std::uint32_t bytes) {
    if (base_ != nullptr && size == bytes) return true;
    base_.reset();
    // Offset 0 stands for null, so the block starts one unit in; one unit past its end is
    // a stamp that is never a free block's, where gluing stops.
    const std::size_t total = std::size_t{kUnitSize} + bytes + kUnitSize;
    base_.reset(new (std::nothrow) std::uint8_t[total]);
    if (base_ == nullptr) return false;
    size = bytes;
    heapStart = kUnitSize;
    std::memset(base_.get(), 0, kUnitSize);
    std::memset(base_.get() + kUnitSize + bytes, 0, kUnitSize);
    return true;
}

void Heap::Init() {
    for (Node& head : lists)
        head = Node{0, 0, 0};
    text = heapStart;
    highUnit = heapStart + size;
    const std::uint32_t unitBytes = kUnitSize * (size / 8 / kUnitSize * 7);
    lowUnit = unitsStart = highUnit - unitBytes;
    glueCount = 0;
}

void Heap::Insert(Node& head, std::uint32_t offset, std::uint32_t units) {
    Node* p = NodeAt(offset);
    p->next = head.next;
    head.next = offset;
    p->stamp = kFreeStamp;
    p->units = units;
    ++head.stamp;
}

std::uint32_t Heap::Remove(Node& head) {
    const std::uint32_t offset = head.next;
    head.next = NodeAt(offset)->next;
    --head.stamp;
    return offset;
}

std::uint32_t Heap::AllocContext() {
    if (highUnit != lowUnit) return highUnit -= kUnitSize;
    if (lists[0].next != 0) return Remove(lists[0]);
    return AllocUnitsRare(0);
}

std::uint32_t Heap::AllocUnits(unsigned units) {
    const unsigned index = kUnitsIndex[units - 1];
    if (lists[index].next != 0) return Remove(lists[index]);
    const std::uint32_t bytes = IndexBytes(index);
    if (highUnit - lowUnit >= bytes) {
        const std::uint32_t offset = lowUnit;
        lowUnit += bytes;
        return offset;
    }
    return AllocUnitsRare(index);
}

std::uint32_t Heap::AllocUnitsRare(unsigned index) {
    if (glueCount == 0) {
        GlueFreeBlocks();
        if (lists[index].next != 0) return Remove(lists[index]);
    }
    for (unsigned i = index + 1; i < kIndexCount; ++i) {
        if (lists[i].next != 0) {
            const std::uint32_t offset = Remove(lists[i]);
            Split(offset, i, index);
            return offset;
        }
    }
    --glueCount;
    const std::uint32_t bytes = IndexBytes(index);
    if (unitsStart - text > bytes) return unitsStart -= bytes;
    return 0;
}

void Heap::Split(std::uint32_t offset, unsigned oldIndex, unsigned newIndex) {
    std::uint32_t p = offset + IndexBytes(newIndex);
    unsigned diff = kIndexUnits[oldIndex] - kIndexUnits[newIndex];
    unsigned i = kUnitsIndex[diff - 1];
    if (kIndexUnits[i] != diff) {
        const unsigned k = kIndexUnits[--i];
        Insert(lists[i], p, k);
        p += k * kUnitSize;
        diff -= k;
    }
    Insert(lists[kUnitsIndex[diff - 1]], p, diff);
}

std::uint32_t Heap::ExpandUnits(std::uint32_t offset, unsigned oldUnits) {
    const unsigned oldIndex = kUnitsIndex[oldUnits - 1];
    if (oldIndex == kUnitsIndex[oldUnits]) return offset;
    const std::uint32_t moved = AllocUnits(oldUnits + 1);
    if (moved != 0) {
        std::memcpy(At(moved), At(offset), oldUnits * kUnitSize);
        Insert(lists[oldIndex], offset, oldUnits);
    }
    return moved;
}

std::uint32_t Heap::ShrinkUnits(std::uint32_t offset, unsigned oldUnits, unsigned newUnits) {
    const unsigned oldIndex = kUnitsIndex[oldUnits - 1];
    const unsigned newIndex = kUnitsIndex[newUnits - 1];
    if (oldIndex == newIndex) return offset;
    if (lists[newIndex].next != 0) {
        const std::uint32_t moved = Remove(lists[newIndex]);
        std::memcpy(At(moved), At(offset), newUnits * kUnitSize);
        Insert(lists[oldIndex], offset, kIndexUnits[oldIndex]);
        return moved;
    }
    Split(offset, oldIndex, newIndex);
    return offset;
}

void Heap::FreeUnits(std::uint32_t offset, unsigned units) {
    const unsigned index = kUnitsIndex[units - 1];
    Insert(lists[index], offset, kIndexUnits[index]);
}

void Heap::SpecialFreeUnit(std::uint32_t offset) {
    if (offset == unitsStart) {
        NodeAt(offset)->stamp = kFreeStamp;
        unitsStart += kUnitSize;
    } else {
        Insert(lists[0], offset, 1);
    }
}

std::uint32_t Heap::MoveUnitsUp(std::uint32_t offset, unsigned units) {
    const unsigned index = kUnitsIndex[units - 1];
    if (offset > unitsStart + kMoveUpReach || offset > lists[index].next) return offset;
    const std::uint32_t moved = Remove(lists[index]);
    std::memcpy(At(moved), At(offset), units * kUnitSize);
    const unsigned blockUnits = kIndexUnits[index];
    if (offset != unitsStart) {
        Insert(lists[index], offset, blockUnits);
    } else {
        unitsStart += blockUnits * kUnitSize;
    }
    return moved;
}

void Heap::ExpandTextArea() {
    unsigned count[kIndexCount] = {};
    for (Node* p = NodeAt(unitsStart); p->stamp == kFreeStamp; p = NodeAt(unitsStart)) {
        unitsStart += p->units * kUnitSize;
        ++count[kUnitsIndex[p->units - 1]];
        p->stamp = 0;
    }
    // Those blocks leave their lists; a list that ends first (which a consistent heap
    // never has) ends the search.
    for (unsigned i = 0; i < kIndexCount; ++i) {
        for (Node* p = &lists[i]; count[i] != 0 && p->next != 0; p = NodeAt(p->next)) {
            while (p->next != 0 && NodeAt(p->next)->stamp == 0) {
                p->next = NodeAt(p->next)->next;
                --lists[i].stamp;
                if (--count[i] == 0) break;
            }
        }
    }
}

void Heap::GlueFreeBlocks() {
    // The first byte past the units taken from below is no free block's stamp.
    if (lowUnit != highUnit) *At(lowUnit) = 0;
    // Every free block, in list order, joined with the free blocks right after it.
    Node all{0, 0, 0};
    Node* last = &all;
    for (Node& head : lists) {
        while (head.next != 0) {
            const std::uint32_t offset = Remove(head);
            Node* p = NodeAt(offset);
            if (p->units == 0) continue;
            for (Node* q = NodeAt(offset + p->units * kUnitSize); q->stamp == kFreeStamp;
                 q = NodeAt(offset + p->units * kUnitSize)) {
                p->units += q->units;
                q->units = 0;
            }
            p->next = last->next;
            last->next = offset;
            last = p;
        }
    }
    // Back into the lists, cut into the sizes there are.
    while (all.next != 0) {
        std::uint32_t offset = Remove(all);
        unsigned units = NodeAt(offset)->units;
        if (units == 0) continue;
        for (; units > kMaxUnits; units -= kMaxUnits, offset += kMaxUnits * kUnitSize)
            Insert(lists[kIndexCount - 1], offset, kMaxUnits);
        unsigned i = kUnitsIndex[units - 1];
        if (kIndexUnits[i] != units) {
            --i;
            const unsigned k = units - kIndexUnits[i];
            Insert(lists[k - 1], offset + (units - k) * kUnitSize, k);
        }
        Insert(lists[i], offset, kIndexUnits[i]);
    }
    glueCount = kGluePeriod;
}

std::uint32_t Heap::UsedMemory() const {
    std::uint32_t free = (highUnit - lowUnit) + (unitsStart - text);
    for (unsigned i = 0; i < kIndexCount; ++i)
        free += kUnitSize * kIndexUnits[i] * lists[i].stamp;
    return size - free;
}

}  // namespace quillory::zip::ppmd
