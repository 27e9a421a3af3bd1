// Fuzz target: the input is opened from memory as a ZIP archive and every member is tested, with a
// callback that answers every password question with one fixed password (the one the
// fixtures use), so encrypted members get as far as their data.
#include <cstdint>
#include <memory>
#include <span>

#include "common/extract_callback.h"
#include "crypto/remembered_password.h"
#include "fuzz/fixed_password.h"
#include "zip/zip_archive.h"

namespace {

using quillory::fuzzing::FixedPassword;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FixedPassword callback;
    static quillory::ZipArchive zip;  // one reader for the whole run, as in the program
    static quillory::RememberedPassword password;
    // One run per input, with the work areas of the last: decoders must not depend on
    // what an earlier member left in them.
    static quillory::MemberRun run = quillory::fuzzing::TestRun(callback, password);
    password.Clear();
    if (zip.Open(std::make_shared<quillory::MemorySource>(std::span(data, size)), u"input.zip")
            .ok()) {
        for (const quillory::ZipEntry& e : zip.entries())
            zip.ExtractEntry(e, run);
    }
    zip.Close();
    return 0;
}
