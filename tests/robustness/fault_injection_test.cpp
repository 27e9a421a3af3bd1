// Failing and short reads and writes, injected through the file layer's fault hook at
// the n-th read or write of a whole extraction (and the n-th read of a test or of the
// listing) of real archives: the member that meets the fault fails and is counted, every other
// member turns out exactly as in a clean run, and nothing crashes. A short read may also be carried
// on from (the data still arrives whole); then the member must be exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/file.h"
#include "tests/robustness/robust_fixture.h"
#include "tests/robustness/tree_snapshot.h"

namespace quillory::testing {
namespace {

namespace fs = std::filesystem;
using platform::IoKind;

enum class Fault { FailRead, ShortRead, FailWrite, ShortWrite };

const char* FaultName(Fault f) {
    switch (f) {
        case Fault::FailRead:
            return "failed read";
        case Fault::ShortRead:
            return "short read";
        case Fault::FailWrite:
            return "failed write";
        case Fault::ShortWrite:
            return "short write";
    }
    return "";
}

// Counts reads and writes while installed; at the chosen call of the chosen kind it lets
// nothing (a failure) or half (a short transfer) through and notes the member it hit.
class FaultPlan {
public:
    FaultPlan(WatchingUser& watcher, Fault fault, std::size_t at)
        : watcher_(watcher), fault_(fault), at_(at) {
        platform::SetIoFaultHook([this](IoKind kind, std::size_t count) {
            // A transfer of nothing cannot go wrong, so it is no place for a fault.
            if (count == 0) return count;
            ++(kind == IoKind::Read ? reads : writes);
            const bool wantRead = fault_ == Fault::FailRead || fault_ == Fault::ShortRead;
            const std::size_t seen = kind == IoKind::Read ? reads : writes;
            if ((kind == IoKind::Read) != wantRead || seen != at_) return count;
            hitMember = watcher_.membersStarted - 1;
            const bool fail = fault_ == Fault::FailRead || fault_ == Fault::FailWrite;
            return fail ? std::size_t{0} : count / 2;
        });
    }
    ~FaultPlan() { platform::SetIoFaultHook({}); }
    FaultPlan(const FaultPlan&) = delete;
    FaultPlan& operator=(const FaultPlan&) = delete;

    std::size_t reads = 0;
    std::size_t writes = 0;
    int hitMember = -1;

private:
    WatchingUser& watcher_;
    Fault fault_;
    std::size_t at_;
};

struct FaultFixture {
    std::string path;  // below tests/fixtures
    std::u16string password;
};

void PrintTo(const FaultFixture& param, std::ostream* os) {
    *os << param.path;
}

// Runs per fault kind and fixture: enough to meet every member in these small archives.
std::size_t RunsPerFault() {
    return kSanitized ? 10 : 40;
}

class FaultInjectionTest : public RobustDocumentTest,
                           public ::testing::WithParamInterface<FaultFixture> {
protected:
    struct Run {
        RunSummary summary;
        std::vector<int> statuses;
        TreeSnapshot tree;
        std::vector<std::string> talk;
        std::size_t reads = 0;
        std::size_t writes = 0;
        int hitMember = -1;
    };

    void SetUp() override {
        const fs::path archive = temp.Host("archives") / fs::path(GetParam().path).filename();
        fs::create_directories(archive.parent_path());
        fs::copy_file(FixturesDir() / GetParam().path, archive);
        archive_ = ProgramPath(archive);
        ASSERT_EQ(doc->OpenArchive(archive_), 1);
        user.defaultPassword = GetParam().password;
    }

    // Extracts (or tests) with the fault planned; at 0 nothing is injected.
    Run Extract(Fault fault, std::size_t at, bool test) {
        const std::string folder = "run" + std::to_string(runs_++);
        fs::create_directories(temp.Host(folder));
        user.log.clear();
        Run run;
        {
            FaultPlan plan(watcher, fault, at);
            if (test) {
                run.summary = doc->OnTest();
            } else {
                user.destinations = {Destination(temp.Program(folder), 1)};
                run.summary = doc->OnExtractAll();
            }
            run.reads = plan.reads;
            run.writes = plan.writes;
            run.hitMember = plan.hitMember;
        }
        run.statuses = watcher.statuses;
        run.tree = Snapshot(temp.Host(folder));
        run.talk = user.Talk();
        return run;
    }

    // What every faulty run must show against the clean one.
    void Compare(const Run& clean, const Run& faulty, Fault fault, bool test) {
        ++Tally().faultRuns;
        Tally().Count(IsZip(), std::string(FaultName(fault)) + (test ? " in a test" : ""));
        ASSERT_TRUE(faulty.summary.ran);
        ASSERT_EQ(faulty.statuses.size(), clean.statuses.size());
        ASSERT_GE(faulty.hitMember, 0) << "the fault was never reached";
        const auto hit = static_cast<std::size_t>(faulty.hitMember);
        for (std::size_t i = 0; i < clean.statuses.size(); ++i) {
            if (i != hit) {
                EXPECT_EQ(faulty.statuses[i], clean.statuses[i]) << "member " << i;
            }
        }
        const bool failed = faulty.statuses[hit] != 0;
        // A write that did not go through always costs the member. A read that did not
        // may be carried on from: nothing moved, so reading on gets the same bytes; the
        // member's output must then be exact (checked below with the other outputs).
        const bool isRead = fault == Fault::FailRead || fault == Fault::ShortRead;
        if (clean.statuses[hit] == 0) {
            EXPECT_TRUE(failed || isRead) << "member " << hit << " reported good";
            if (!failed) ++Tally().readFaultsCarriedOn;
        }
        // The damaged count grows by the member the fault broke, and the summary says so.
        const int broke = clean.statuses[hit] == 0 && failed ? 1 : 0;
        EXPECT_EQ(faulty.summary.damagedCount, clean.summary.damagedCount + broke);
        const std::string last = faulty.talk.empty() ? "" : faulty.talk.back();
        if (!test && faulty.summary.damagedCount > 0) {
            EXPECT_NE(last.find("不正ファイル数 " + std::to_string(faulty.summary.damagedCount)),
                      std::string::npos)
                << last;
        }
        // Every output is as in the clean run but for the one member that failed.
        std::set<std::string> changed = ChangedPaths(clean.tree, faulty.tree);
        // The folders a failed member's file would have made count with the file.
        std::erase_if(changed, [&changed](const std::string& path) {
            const auto below = changed.lower_bound(path + "/");
            return below != changed.end() && below->rfind(path + "/", 0) == 0;
        });
        std::string list;
        for (const std::string& path : changed)
            list += " " + path;
        EXPECT_LE(changed.size(), failed ? 1u : 0u) << "differs:" << list;
    }

    static bool IsZip() { return fs::path(GetParam().path).extension() == ".zip"; }

    // The listed members' folders and names, in table order.
    std::vector<WString> Listing() const {
        return doc->WithReader([](const auto& reader) {
            std::vector<WString> names;
            for (const auto& entry : reader.entries())
                names.push_back(WString(entry.path) + WString(entry.name));
            return names;
        });
    }

    WString archive_;
    int runs_ = 0;
};

TEST_P(FaultInjectionTest, EachFaultFailsOnlyItsMember) {
    const Run clean = Extract(Fault::FailRead, 0, false);
    ASSERT_GT(clean.reads, 0u);
    ASSERT_GT(clean.writes, 0u);
    for (const Fault fault :
         {Fault::FailRead, Fault::ShortRead, Fault::FailWrite, Fault::ShortWrite}) {
        const bool read = fault == Fault::FailRead || fault == Fault::ShortRead;
        for (const std::size_t at : EvenSample(read ? clean.reads : clean.writes, RunsPerFault())) {
            SCOPED_TRACE(std::string(FaultName(fault)) + " at call " + std::to_string(at));
            Compare(clean, Extract(fault, at, false), fault, false);
            if (HasFatalFailure() || HasFailure()) return;
        }
    }
}

TEST_P(FaultInjectionTest, AFailedReadDuringATestFailsOnlyItsMember) {
    const Run clean = Extract(Fault::FailRead, 0, true);
    ASSERT_GT(clean.reads, 0u);
    EXPECT_EQ(clean.writes, 0u);
    for (const Fault fault : {Fault::FailRead, Fault::ShortRead}) {
        for (const std::size_t at : EvenSample(clean.reads, RunsPerFault())) {
            SCOPED_TRACE(std::string(FaultName(fault)) + " at call " + std::to_string(at));
            Compare(clean, Extract(fault, at, true), fault, true);
            if (HasFailure()) return;
        }
    }
}

TEST_P(FaultInjectionTest, AFaultWhileListingRefusesTheArchiveOrWarns) {
    const std::vector<WString> full = Listing();
    doc->CloseArchive();
    std::size_t reads = 0;
    {
        FaultPlan count(watcher, Fault::FailRead, 0);
        ASSERT_EQ(doc->OpenArchive(archive_), 1);
        reads = count.reads;
    }
    doc->CloseArchive();
    ASSERT_GT(reads, 0u);
    for (const Fault fault : {Fault::FailRead, Fault::ShortRead}) {
        for (const std::size_t at : EvenSample(reads, RunsPerFault())) {
            SCOPED_TRACE(std::string(FaultName(fault)) + " at call " + std::to_string(at));
            user.log.clear();
            int opened = 0;
            {
                FaultPlan plan(watcher, fault, at);
                opened = doc->OpenArchive(archive_);
            }
            ++Tally().faultRuns;
            Tally().Count(IsZip(), std::string(FaultName(fault)) + " while listing");
            if (opened == 0) {
                EXPECT_EQ(doc->isOpen, 0);
                continue;
            }
            // What is listed is the archive's beginning, and a listing that stops early
            // comes with a warning.
            const std::vector<WString> listed = Listing();
            ASSERT_LE(listed.size(), full.size());
            EXPECT_TRUE(std::equal(listed.begin(), listed.end(), full.begin()));
            if (listed.size() < full.size()) {
                EXPECT_FALSE(user.Talk().empty()) << "members left out without a word";
            }
            doc->CloseArchive();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FaultInjectionTest,
                         ::testing::Values(FaultFixture{"lzh/jlha_l0_lh5.lzh", u""},
                                           FaultFixture{"lzh/jlha_l1_lh6.lzh", u""},
                                           FaultFixture{"lzh/jlha_l2_lh7.lzh", u""},
                                           FaultFixture{"lzh/jlha_stored.lzh", u""},
                                           FaultFixture{"lzh/jlha_long.lzh", u""},
                                           FaultFixture{"zip/infozip-deflate.zip", u""},
                                           FaultFixture{"zip/7zz-deflate64.zip", u""},
                                           FaultFixture{"zip/infozip-stored.zip", u""},
                                           FaultFixture{"zip/7zz-zipcrypto.zip", u"quillory"},
                                           FaultFixture{"zip/7zz-aes256.zip", u"quillory"},
                                           FaultFixture{"zip/bsdtar-aes128.zip", u"quillory"}),
                         [](const ::testing::TestParamInfo<FaultFixture>& p) {
                             std::string name = fs::path(p.param.path).stem().string();
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace quillory::testing
