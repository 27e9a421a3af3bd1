// Fuzz target: the input is opened as a ZIP archive and every member is tested, with a
// callback that answers every password question with one fixed password (the one the
// fixtures use), so encrypted members get as far as their data.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/extract_callback.h"
#include "platform/path.h"
#include "zip/zip_archive.h"

namespace {

class FixedPassword final : public quillory::ExtractCallback {
public:
    void AskPassword(quillory::WStringView, quillory::WChar* password) override {
        const char16_t fixed[] = u"quillory";
        for (std::size_t i = 0; i < sizeof fixed / sizeof fixed[0]; ++i)
            password[i] = fixed[i];
    }
};

const std::string& ArchivePath() {
    static const std::string path = "/tmp/fuzz_zip-" + std::to_string(::getpid()) + ".zip";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(ArchivePath().c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    static FixedPassword callback;
    static quillory::ZipArchive zip;  // one reader for the whole run, as in the program
    zip.SetCallback(&callback);
    zip.testMode = 1;
    if (zip.Open(quillory::platform::FromHostPath(ArchivePath())) == 1) {
        for (const quillory::ZipEntry& e : zip.entries)
            zip.ExtractEntry(&e);
    }
    zip.Close();
    return 0;
}
