// Which earlier member a member extracted beside others waits for: one table of member
// paths and the barrier each gets.
#include <gtest/gtest.h>

#include <vector>

#include "document/output_order.h"

namespace quillory::testing {
namespace {

struct OrderCase {
    const char* story;
    std::vector<WString> paths;
    std::vector<int> barriers;
};

TEST(OutputOrderTest, MembersWaitOnlyForEarlierOnesTheirOutputMeets) {
    const OrderCase cases[] = {
        {"different places never wait", {u"a.txt", u"b\\c.txt", u"b\\d.txt"}, {-1, -1, -1}},
        {"the same path twice, also spelled otherwise",
         {u"a\\x.txt", u"b.txt", u"A/./x.TXT"},
         {-1, -1, 0}},
        {"a file where a later member needs a folder", {u"a", u"b", u"a\\c"}, {-1, -1, 0}},
        {"a folder needed before a file of that name", {u"a\\c", u"b", u"a"}, {-1, -1, 0}},
        {"folder entries and the files in them share the folder",
         {u"a\\", u"a\\x", u"a\\y", u"a\\"},
         {-1, -1, -1, -1}},
        {"a path that may land anywhere is a fence both ways; a rooted one lands below",
         {u"a", u"..\\a", u"b", u"\\c", u"\\a"},
         {-1, 0, 1, 1, 1}},
        {"members that write nothing", {u"", u"a", u""}, {-1, -1, -1}},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.story);
        EXPECT_EQ(OutputOrderBarriers(u"/nowhere", c.paths), c.barriers);
    }
}

// Folders that exist are one folder however they are spelled (a link inside the
// destination, "." levels); folders to be made are told apart by their names.
TEST(OutputOrderTest, ExistingFoldersAreComparedByIdentity) {
    const FolderIdentify identify =
        [](WStringView path) -> std::optional<platform::FolderIdentity> {
        if (path == u"/d/real" || path == u"/d/link") return platform::FolderIdentity{1, 7};
        if (path == u"/d") return platform::FolderIdentity{1, 2};
        return std::nullopt;
    };
    const std::vector<WString> paths = {u"real\\x", u"link\\x", u"link\\y", u"new\\x", u"new\\x"};
    EXPECT_EQ(OutputOrderBarriers(u"/d", paths, identify), (std::vector<int>{-1, 0, -1, -1, 3}));
}

}  // namespace
}  // namespace quillory::testing
