// The adaptive Huffman code of LHarc (-lh1-) and early LHA (-lh2-): a code tree whose
// nodes are kept in order of falling frequency from the root, so that counting a
// symbol moves its node (and each ancestor in turn) to the front of the run of nodes
// with the same count before the count grows. When the counts reach their limit they
// are halved and the tree is rebuilt. Encoder and decoder update the same way, so the
// code follows the data. Walking the tree cannot leave it: every node is either a leaf
// or has two children inside the arrays.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory::lzh {

class AdaptiveHuffman {
public:
    // Enough nodes for -lh1-'s 314 symbols (the largest alphabet).
    static constexpr int kMaxSymbols = 314;
    static constexpr int kMaxNodes = 2 * kMaxSymbols - 1;

    // Every one of `symbols` symbols present with a count of 1.
    void StartComplete(int symbols);
    // A tree of one leaf, symbol 0, that codes with no bits; it grows with AddLeaf.
    // Its root does not count: the total is kept apart, as -lh2- keeps it for positions.
    void StartGrowing();
    // Adds symbol as a new leaf of count 0 split off the last node, then counts it;
    // false when the tree has no room.
    bool AddLeaf(int symbol);

    // The node to start a walk from, and a walk's step: the leaf's symbol, or the
    // child chosen by the next bit (1 goes to the more frequent child).
    int Root() const { return 0; }
    bool IsLeaf(int node) const { return child_[node] < 0; }
    int Symbol(int node) const { return ~child_[node]; }
    int Child(int node, unsigned bit) const { return child_[node] - static_cast<int>(bit); }

    // Counts one occurrence of symbol, halving every count first when the total has
    // reached kCountLimit.
    void Count(int symbol);

private:
    static constexpr std::uint16_t kCountLimit = 0x8000;
    static constexpr std::uint16_t kSentinel = 0xFFFF;  // a growing tree's root

    void Rebuild();
    // Moves node's subtree to the front of its run and counts it; returns the parent.
    int Increment(int node);
    void SwapSubtrees(int a, int b);
    void Link(int node);

    std::uint16_t count_[kMaxNodes];
    // A leaf holds ~symbol; an inner node the index of its 0 child (the 1 child is the
    // node before it).
    std::int16_t child_[kMaxNodes];
    std::int16_t parent_[kMaxNodes];
    std::int16_t leaf_[kMaxSymbols];
    int nodes_ = 0;
    bool growing_ = false;
    std::uint16_t total_ = 0;  // a growing tree's count of counted symbols
};

}  // namespace quillory::lzh
