// Fuzzes the LZH reader: the input is opened from memory as an archive (as a
// self-extractor when it starts with "MZ"), and every member is tested, whatever its
// method. Static-Huffman members are also decoded by the plain reference decoder of the
// tests, and the two must agree on the member's status. Members claiming more output than a budget
// are skipped, since a valid stream may legitimately expand 16 MiB per few bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>

#include "lzh/lzh_archive.h"
// The reference decoder lives with the tests; the fuzz build has no test libraries.
#include "tests/lzh/reference_decoder.cpp"

namespace {

constexpr std::uint64_t kOutputBudget = 8u << 20;     // bytes tested per input
constexpr std::uint32_t kReferenceBudget = 1u << 20;  // largest member checked twice

// The status a member must get from what the reference decoder made of its data.
quillory::LzhStatus Expected(const quillory::LzhEntry& e, int method, const std::uint8_t* data,
                             std::size_t size) {
    std::size_t end = size;
    if (e.dataOffset < size && e.compressedSize < size - e.dataOffset)
        end = e.dataOffset + e.compressedSize;
    const quillory::testing::Bytes member(data + std::min<std::uint64_t>(e.dataOffset, size),
                                          data + end);
    const auto ref = quillory::testing::ReferenceDecode(method, member, e.originalSize);
    if (!ref.completed) return quillory::LzhStatus::DecodeFailed;
    return ref.crc == e.crc16 ? quillory::LzhStatus::Ok : quillory::LzhStatus::CrcMismatch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool exe = size >= 2 && data[0] == 'M' && data[1] == 'Z';
    quillory::LzhArchive archive;
    if (!archive
             .Open(std::make_shared<quillory::MemorySource>(std::span(data, size)),
                   exe ? u"input.exe" : u"input.lzh")
             .ok()) {
        return 0;
    }
    quillory::MemberRun run;
    run.testMode = true;
    std::uint64_t budget = kOutputBudget;
    for (const quillory::LzhEntry& e : archive.entries()) {
        if (e.originalSize > budget) continue;
        budget -= e.originalSize;
        const quillory::LzhStatus status = archive.ExtractEntry(e, run).status;
        const std::u16string_view method(e.method);
        // The static-Huffman family, numbered as the reference decoder numbers it; the
        // other methods are checked for crashes, hangs and overruns only.
        const int code = method == u"-lh4-"   ? 4
                         : method == u"-lh5-" ? 5
                         : method == u"-lh6-" ? 6
                         : method == u"-lh7-" ? 7
                         : method == u"-lhx-" ? 8
                                              : 0;
        if (code != 0 && e.originalSize <= kReferenceBudget &&
            status != Expected(e, code, data, size)) {
            std::fprintf(stderr, "status %d differs from the reference decoder's\n",
                         static_cast<int>(status));
            std::abort();
        }
    }
    archive.Close();
    return 0;
}
