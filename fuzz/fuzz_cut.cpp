// Fuzz target for archives cut short: the first two bytes of the input say where to cut
// the rest (as a fraction of its length, in 65536ths), and the cut archive is opened from
// memory by both readers, the ZIP one through its central directory or, without one,
// its local headers, and every member listed is tested.
#include <cstdint>
#include <memory>
#include <span>

#include "common/extract_callback.h"
#include "crypto/remembered_password.h"
#include "fuzz/fixed_password.h"
#include "lzh/lzh_archive.h"
#include "zip/zip_archive.h"

namespace {

using quillory::fuzzing::FixedPassword;

template <class Reader>
void TestEveryMember(Reader& reader, std::span<const std::uint8_t> bytes,
                     quillory::MemberRun& run) {
    if (reader.Open(std::make_shared<quillory::MemorySource>(bytes), u"input").ok()) {
        for (const auto& e : reader.entries())
            reader.ExtractEntry(e, run);
    }
    reader.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FixedPassword callback;
    static quillory::ZipArchive zip;
    static quillory::LzhArchive lzh;
    static quillory::RememberedPassword password;
    static quillory::MemberRun run = quillory::fuzzing::TestRun(callback, password);
    if (size < 2) return 0;
    const std::size_t fraction = data[0] | std::size_t{data[1]} << 8;
    const std::span<const std::uint8_t> archive(data + 2, size - 2);
    const std::span<const std::uint8_t> cut = archive.first(archive.size() * fraction / 65536);
    password.Clear();
    TestEveryMember(zip, cut, run);
    TestEveryMember(lzh, cut, run);
    return 0;
}
