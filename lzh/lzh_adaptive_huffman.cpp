// Adaptive Huffman trees: counting, the run-front swaps and the rebuild after halving.
#include "lzh/lzh_adaptive_huffman.h"

namespace quillory::lzh {

void AdaptiveHuffman::StartComplete(int symbols) {
    growing_ = false;
    nodes_ = 2 * symbols - 1;
    // Leaves at the back, symbol 0 last; inner nodes pair them up towards the root.
    int next = nodes_ - 1;
    for (int s = 0; s < symbols; ++s, --next) {
        count_[next] = 1;
        child_[next] = static_cast<std::int16_t>(~s);
        leaf_[s] = static_cast<std::int16_t>(next);
    }
    for (int pair = nodes_ - 1; next >= 0; --next, pair -= 2) {
        count_[next] = static_cast<std::uint16_t>(count_[pair] + count_[pair - 1]);
        child_[next] = static_cast<std::int16_t>(pair);
        Link(next);
    }
}

void AdaptiveHuffman::StartGrowing() {
    growing_ = true;
    nodes_ = 1;
    count_[0] = 1;
    child_[0] = ~0;
    leaf_[0] = 0;
    total_ = 0;
}

bool AdaptiveHuffman::AddLeaf(int symbol) {
    // The last node, the least frequent, is a leaf: it becomes an inner node whose
    // children are that leaf and the new one.
    const int last = nodes_ - 1;
    if (nodes_ + 2 > kMaxNodes || child_[last] >= 0) return false;
    const int moved = last + 1;
    const int added = last + 2;
    child_[moved] = child_[last];
    count_[moved] = count_[last];
    child_[added] = static_cast<std::int16_t>(~symbol);
    count_[added] = 0;
    child_[last] = static_cast<std::int16_t>(added);
    if (last == 0) count_[0] = kSentinel;
    nodes_ += 2;
    Link(moved);
    Link(added);
    Link(last);
    Count(symbol);
    return true;
}

void AdaptiveHuffman::Count(int symbol) {
    if (growing_) {
        if (total_ == kCountLimit) {
            Rebuild();
            total_ = count_[0];
            count_[0] = kSentinel;
        }
        ++total_;
    } else {
        if (count_[0] == kCountLimit) Rebuild();
        ++count_[0];
    }
    for (int node = leaf_[symbol]; node != 0;)
        node = Increment(node);
}

int AdaptiveHuffman::Increment(int node) {
    // The front of the node's run of equal counts. The root is never part of a run:
    // its count exceeds every other (or is the sentinel).
    const std::uint16_t count = count_[node];
    int front = node;
    if (count_[node - 1] == count) {
        int low = 1;
        int high = node - 1;
        while (low < high) {
            const int middle = (low + high) / 2;
            if (count_[middle] > count) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        front = low;
        SwapSubtrees(node, front);
    }
    ++count_[front];
    return parent_[front];
}

void AdaptiveHuffman::SwapSubtrees(int a, int b) {
    const std::int16_t held = child_[a];
    child_[a] = child_[b];
    child_[b] = held;
    Link(a);
    Link(b);
}

void AdaptiveHuffman::Link(int node) {
    const int c = child_[node];
    if (c < 0) {
        leaf_[~c] = static_cast<std::int16_t>(node);
    } else {
        parent_[c] = parent_[c - 1] = static_cast<std::int16_t>(node);
    }
}

void AdaptiveHuffman::Rebuild() {
    // The leaves, in tree order, to the front with their counts halved (rounding up).
    int leaves = 0;
    for (int i = 0; i < nodes_; ++i) {
        if (child_[i] < 0) {
            count_[leaves] = static_cast<std::uint16_t>((count_[i] + 1) / 2);
            child_[leaves] = child_[i];
            ++leaves;
        }
    }
    // Refill from the back: pair the two last placed nodes under a new inner node, put
    // before it the leaves that count no more than it, and go on towards the root.
    int leaf = leaves - 1;
    int place = nodes_ - 1;
    for (int pair = nodes_ - 2; place >= 0; pair -= 2) {
        while (place >= pair) {
            count_[place] = count_[leaf];
            child_[place] = child_[leaf];
            --place;
            --leaf;
        }
        const unsigned sum = count_[pair] + count_[pair + 1];
        int first = 0;
        while (first <= leaf && sum < count_[first])
            ++first;
        while (leaf >= first) {
            count_[place] = count_[leaf];
            child_[place] = child_[leaf];
            --place;
            --leaf;
        }
        count_[place] = static_cast<std::uint16_t>(sum);
        child_[place] = static_cast<std::int16_t>(pair + 1);
        --place;
    }
    for (int i = 0; i < nodes_; ++i)
        Link(i);
}

}  // namespace quillory::lzh
