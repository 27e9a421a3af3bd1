// PPMd var.I rev. 1 (ZIP method 98, WinZip's and 7-Zip's), after Dmitry Shkarin's
// description: a 2-byte parameter word (model order - 1 in bits 0-3, memory in MB - 1 in
// bits 4-11, restoration method in bits 12-15), then a range-coded stream of the model's
// predictions. Decodes to the listed size; refuses orders below 2, restoration methods
// beyond 2 (unsupported), codes outside the coder's range and data that ends early. The
// model's memory is what the word declares, at most 256 MiB.
#pragma once

#include <cstdint>

#include "zip/method_decoder.h"
#include "zip/ppmd_i1_heap.h"

namespace quillory::zip {

MethodResult DecodePpmd(const MethodParams& params, InflateInput& input, OutputWindow& window,
                        MethodDecoders& decoders);

namespace ppmd {

// The range decoder of var.I: Subbotin's carry-less coder with a 15-bit bottom.
class RangeDecoder {
public:
    explicit RangeDecoder(InflateInput& input) : in_(input) {}
    void Init();
    // The count below `total` the next symbol falls on, after which Decode narrows the range.
    // A total larger than the range (which no encoder lets happen) gives a count past it.
    std::uint32_t Threshold(std::uint32_t total) {
        if (total == 0 || (range_ /= total) == 0) return UINT32_MAX;
        return (code_ - low_) / range_;
    }
    void Decode(std::uint32_t start, std::uint32_t size);
    // Bytes taken past the end of the data (zeros); any makes the stream damaged.
    unsigned overrun() const { return overrun_; }

private:
    std::uint8_t Byte() {
        if (in_.next == in_.end && !in_.Refill()) {
            ++overrun_;
            return 0;
        }
        return *in_.next++;
    }

    InflateInput& in_;
    std::uint32_t low_ = 0;
    std::uint32_t range_ = 0xFFFFFFFF;
    std::uint32_t code_ = 0;
    unsigned overrun_ = 0;
};

struct State;
struct Context;

// Secondary escape estimation for contexts with masked symbols.
struct See {
    std::uint16_t summ;
    std::uint8_t shift;
    std::uint8_t count;
};

class Model {
public:
    static constexpr int kEndMark = -1;  // an escape from the order-0 context
    static constexpr int kError = -2;    // a count outside the coder's range

    bool Allocate(std::uint32_t bytes) { return heap_.Allocate(bytes); }
    void Start(unsigned maxOrder, unsigned restoration);
    // The next byte, or kEndMark or kError.
    int DecodeSymbol(RangeDecoder& rc);

private:
    Context* Ctx(std::uint32_t offset) { return reinterpret_cast<Context*>(heap_.At(offset)); }
    State* States(const Context* c);
    std::uint32_t Off(const void* p) const { return heap_.OffsetOf(p); }

    void Restart();
    bool DecodeBinary(Context* c, RangeDecoder& rc);
    bool DecodeFirst(Context* c, RangeDecoder& rc);
    bool DecodeMasked(Context* c, RangeDecoder& rc);
    void Rescale(Context* c);
    void UpdateModel(Context* minContext);
    Context* CreateSuccessors(bool skip, State* p, Context* c);
    Context* ReduceOrder(State* p, Context* start);
    void RestoreModel(Context* current, Context* minContext, std::uint32_t foundSuccessor);
    void ShrinkContext(Context* c, unsigned newLast, bool scale);
    Context* CutOff(Context* c, unsigned order);
    Context* RemoveBinaryContexts(Context* c, unsigned order);
    void ClearMask();

    ppmd::Heap heap_;
    Context* maxContext_ = nullptr;
    State* foundState_ = nullptr;
    unsigned maxOrder_ = 0;
    unsigned restoration_ = 0;  // 0 restart, 1 cut off, 2 freeze, 3 frozen
    int orderFall_ = 0;
    int initEsc_ = 0;
    int runLength_ = 0;
    int initRunLength_ = 0;
    std::uint32_t scale_ = 0;
    std::uint8_t charMask_[256] = {};
    std::uint8_t lastMaskIndex_ = 0;
    std::uint8_t escCount_ = 0;
    std::uint8_t prevSuccess_ = 0;
    See see_[24][32] = {};
    See dummySee_ = {};
    std::uint16_t binSumm_[25][64] = {};
};

}  // namespace ppmd
}  // namespace quillory::zip
