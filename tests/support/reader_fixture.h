// A test fixture around one archive reader: a scratch folder, a callback that records
// every question, a run that extracts into dest/ with folders on, asks about every
// existing file and remembers a password,
// and the helpers extraction tests share: open an archive file, extract the i-th entry
// (its outcome kept in last_), and the host path of an output. An archive that does not
// open fails the test at once.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string_view>

#include "crypto/remembered_password.h"
#include "tests/support/recording_callback.h"
#include "tests/support/test_support.h"

namespace quillory::testing {

template <class Reader>
class ReaderFixture : public ::testing::Test {
protected:
    using Status = decltype(std::declval<Reader>().Open(WString()).status);

    ReaderFixture() {
        run_.callback = &callback_;
        run_.destFolder = dir_.Program("dest");
        run_.useFolders = true;
        run_.overwrite = OverwriteRule::AlwaysAsk;
        run_.password = &password_;
    }
    void OpenFile(const WString& archive) {
        archive_.Close();
        password_.Clear();
        ASSERT_TRUE(archive_.Open(archive).ok());
    }
    int Extract(int i) {
        last_ = archive_.ExtractEntry(archive_.entries()[static_cast<std::size_t>(i)], run_);
        return last_.ok() ? 1 : 0;
    }
    std::filesystem::path Out(std::string_view relative) const {
        return dir_.Host("dest") / relative;
    }

    TempDir dir_;
    RecordingCallback callback_;
    Reader archive_;
    RememberedPassword password_;
    MemberRun run_;
    Outcome<Status> last_;
};

}  // namespace quillory::testing
