// A test fixture around one archive reader: a scratch folder, a callback that records
// every question, and the helpers extraction tests share: open an archive file with the
// destination dest/ and folders on, extract the i-th entry, and the host path of an
// output. An archive that does not open fails the test at once.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string_view>

#include "tests/support/recording_callback.h"
#include "tests/support/test_support.h"

namespace quillory::testing {

template <class Reader>
class ReaderFixture : public ::testing::Test {
protected:
    void OpenFile(const WString& archive) {
        archive_.Close();
        ASSERT_EQ(archive_.Open(archive), 1);
        archive_.SetCallback(&callback_);
        archive_.destFolder = dir_.Program("dest");
        archive_.useFolders = 1;
    }
    int Extract(int i) {
        return archive_.ExtractEntry(&archive_.entries[static_cast<std::size_t>(i)]);
    }
    std::filesystem::path Out(std::string_view relative) const {
        return dir_.Host("dest") / relative;
    }

    TempDir dir_;
    RecordingCallback callback_;
    Reader archive_;
};

}  // namespace quillory::testing
