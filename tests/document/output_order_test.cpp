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
        {"a path that may land anywhere is a fence both ways",
         {u"a", u"..\\a", u"b", u"\\c"},
         {-1, 0, 1, 2}},
        {"members that write nothing", {u"", u"a", u""}, {-1, -1, -1}},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.story);
        EXPECT_EQ(OutputOrderBarriers(c.paths), c.barriers);
    }
}

}  // namespace
}  // namespace quillory::testing
