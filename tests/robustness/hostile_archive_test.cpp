// Hostile archives of both kinds run end to end through the document with a scripted
// user: names that climb out or are rooted (and where the question says they would go),
// very long names and deep folders, the separators and folder entries other writers use,
// links and read-only files at output paths, overwrites declined and accepted, sizes that
// lie, duplicated names, folder entries with data, and wrong or cancelled passwords. Each run
// snapshots the whole scratch tree before and after: nothing outside the destination
// may change, and a file the user had changes only where the user said yes.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "common/checksums.h"
#include "platform/file.h"
#include "platform/path.h"
#include "tests/robustness/hostile_archive.h"
#include "tests/robustness/robust_fixture.h"
#include "tests/robustness/tree_snapshot.h"
#include "tests/support/le_writer.h"
#include "tests/zip/zip_builder.h"

namespace quillory::testing {

RobustnessTally& Tally() {
    static RobustnessTally tally;
    return tally;
}

namespace {

namespace fs = std::filesystem;

// Prints the suite's counts once every test has run.
class TallyReport final : public ::testing::Environment {
public:
    void TearDown() override {
        const RobustnessTally& t = Tally();
        std::printf(
            "robustness tally: %d hostile runs, %d fault-injection runs (%d read faults read "
            "past correctly), %d truncated runs, %llu bytes of user files changed without "
            "consent\n",
            t.hostileCases, t.faultRuns, t.readFaultsCarriedOn, t.truncatedRuns,
            static_cast<unsigned long long>(t.userBytesChangedWithoutConsent));
        for (const auto& [what, runs] : t.byKind)
            std::printf("  %s: %d\n", what.c_str(), runs);
    }
};
const auto* const kTallyReport = ::testing::AddGlobalTestEnvironment(new TallyReport);

enum class Kind { Lzh0, Lzh1, Lzh2, Zip };

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Lzh0:
            return "Lzh0";
        case Kind::Lzh1:
            return "Lzh1";
        case Kind::Lzh2:
            return "Lzh2";
        case Kind::Zip:
            return "Zip";
    }
    return "";
}

// Status numbers each reader gives; a meaning both readers have has one number.
struct Outcome {
    int lzh;
    int zip;
};
constexpr Outcome kOk{0, 0};
constexpr Outcome kRefused{19, 19};       // the unsafe path was declined
constexpr Outcome kKept{12, 12};          // the overwrite was declined
constexpr Outcome kCreateFailed{10, 10};  // the output cannot be made there
constexpr Outcome kTooLong{23, 23};       // the host cannot take the path
constexpr Outcome kCrc{9, 9};

// A stored name as long as each header level takes it (levels 0 and 1 keep it in an
// 8-bit header size; level 2 and ZIP hold far longer ones, here longer than a host name).
std::size_t NameLimit(Kind kind) {
    return kind == Kind::Lzh0 ? 233 : kind == Kind::Lzh1 ? 230 : 300;
}

struct HostileCase {
    std::string label;
    std::vector<HostileMember> members;
    std::deque<bool> answers;                      // the Yes/No answers, in order
    std::deque<std::optional<WString>> passwords;  // the password dialog's answers
    std::vector<Outcome> outcomes;                 // per member
    int damaged = 0;                               // the summary's count
    int unsupported = 0;
    // Paths (relative to the scratch root) that may change; a file the user had among
    // them changes with the user's consent. Everything under "dest" may be created.
    std::set<std::string> consented;
    std::map<std::string, std::string> expectFiles;  // content afterwards
    std::vector<std::string> expectFolders;
    std::vector<std::string> expectAbsent;
    std::map<std::string, std::uintmax_t> maxSizes;  // output files that must stay small
    // Where the unsafe-path questions said each member would go, in order.
    std::vector<std::string> askedTargets;
    std::string destination = "dest";  // relative to the scratch root
    bool keepDamaged = false;          // the setting "KeepDamaged"
    bool runs = true;  // false: the destination is refused, in one message, before any member
    std::function<void(const fs::path& root)> prepare;
    // Kinds that cannot express the case leave it out.
    std::vector<Kind> kinds = {Kind::Lzh0, Kind::Lzh1, Kind::Lzh2, Kind::Zip};
};

struct CaseParam {
    Kind kind;
    HostileCase hostile;
};

// Failure messages name the case, not its bytes.
void PrintTo(const CaseParam& param, std::ostream* os) {
    *os << KindName(param.kind) << "_" << param.hostile.label;
}

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

HostileMember Raw(HostileMember m) {
    m.rawName = true;
    return m;
}

HostileMember Claiming(HostileMember m, std::optional<std::uint32_t> original,
                       std::optional<std::uint32_t> compressed) {
    m.claimedOriginalSize = original;
    m.claimedCompressedSize = compressed;
    return m;
}

// The Info-ZIP Unicode Path record (id 0x7075) naming the stored name anew.
Bytes UnicodePathRecord(const std::string& stored, const std::string& utf8) {
    const std::uint32_t crc = Crc32Update(0, stored.data(), stored.size());
    const std::size_t size = 5 + utf8.size();  // version, name CRC, name
    Bytes record;
    testing::Put16(record, 0x7075);
    testing::Put16(record, static_cast<std::uint32_t>(size));
    record.push_back(1);
    testing::Put32(record, crc);
    record.insert(record.end(), utf8.begin(), utf8.end());
    return record;
}

// A password other than the member's whose decrypted header still ends with the check
// byte, found by trying.
WString WrongPasswordPassingTheCheck(const HostileMember& m) {
    const std::uint32_t crc = Crc32Update(0, m.data.data(), m.data.size());
    const Bytes encrypted =
        TraditionalEncrypt(m.data, m.zipPassword->c_str(), static_cast<std::uint8_t>(crc >> 24));
    for (int i = 0;; ++i) {
        const std::string guess = "guess" + std::to_string(i);
        ZipCryptoKeys keys;
        if (ZipCryptoCheckHeader(keys, encrypted.data(), guess.c_str(),
                                 static_cast<std::uint8_t>(crc >> 24)) == 0) {
            return platform::AsciiToWide(guess);
        }
    }
}

// The cases; some depend on what the header level can hold.
std::vector<HostileCase> CasesFor(Kind kind) {
    const bool zip = kind == Kind::Zip;
    std::vector<HostileCase> cases;

    // Names that climb out of the destination: the user is asked, says no, and nothing at
    // all is written. The planted file x beside the destination (where ../x would land)
    // stays as it was.
    struct Climb {
        std::string label;
        HostileMember member;
        std::string target;  // where the question says it would go
    };
    for (const auto& [label, member, target] : std::vector<Climb>{
             {"DotDotSlash", File("../x", "climb"), "x"},
             {"DotDotBackslash", Raw(File("..\\x", "climb")), "x"},
             {"DotDotInside", File("a/../../x", "climb"), "x"},
             {"DotDotRawSlash", Raw(File("a/../../x", "climb")), "x"},
             {"DotDotFolder", Folder("../up/"), "up"},
         }) {
        HostileCase c;
        c.label = "Climb" + label;
        c.members = {member, File("safe.txt", "safe")};
        c.answers = {false};
        c.askedTargets = {target};
        c.outcomes = {kRefused, kOk};
        c.expectFiles = {{"x", "planted"}, {"dest/safe.txt", "safe"}};
        c.expectAbsent = {"up"};
        cases.push_back(c);
    }
    {
        // Agreeing twice (the path, then replacing the file there) writes exactly there.
        HostileCase c;
        c.label = "ClimbAcceptedReplacesOnlyWithConsent";
        c.members = {File("../x", "climbed"), File("../outside/keep.txt", "climbed")};
        c.answers = {true, true, true, false};
        c.askedTargets = {"x", "outside/keep.txt"};
        c.outcomes = {kOk, kKept};
        c.consented = {"x"};
        c.expectFiles = {{"x", "climbed"}, {"outside/keep.txt", "keep"}};
        cases.push_back(c);
    }
    {
        // Rooted names land below the destination, never at the host's root, without a
        // question: LHMelt and other Windows tools store folders as "\\subdir\\".
        HostileCase c;
        c.label = "RootedNamesLandBelowWithoutAQuestion";
        c.members = {Raw(File("\\rooted", "r")), Raw(File("/abs", "a")), Raw(Folder("\\sub\\")),
                     Raw(File("\\sub\\in.txt", "s"))};
        c.outcomes = {kOk, kOk, kOk, kOk};
        c.expectFiles = {{"dest/rooted", "r"}, {"dest/abs", "a"}, {"dest/sub/in.txt", "s"}};
        cases.push_back(c);
    }
    {
        // The user's own link in the destination would lead members out of it: they are
        // asked about, with where they would really go, and refused nothing is written
        // there. A link that stays inside is followed without a question.
        HostileCase c;
        c.label = "LinkInTheDestinationLeadingOut";
        c.prepare = [](const fs::path& root) {
            fs::create_directories(root / "outside");
            fs::create_directories(root / "dest/real");
            fs::create_directory_symlink("../outside", root / "dest/docs");
            fs::create_directory_symlink("real", root / "dest/inner");
        };
        c.members = {File("docs/x.txt", "x"), Folder("docs/sub/"), File("inner/y.txt", "y")};
        c.answers = {false, false};
        c.askedTargets = {"outside/x.txt", "outside/sub"};
        c.outcomes = {kRefused, kRefused, kOk};
        c.expectFiles = {{"dest/real/y.txt", "y"}};
        c.expectAbsent = {"outside/x.txt", "outside/sub"};
        cases.push_back(c);
    }
    {
        // The separators and empty folders other writers store: Unix LHa's "/" in LZH
        // names, Amiga LhA's empty folder as a member with no file name, .NET's "\"
        // folder entry in ZIP (deflate, no data at all).
        HostileCase c;
        c.label = "OtherWritersFolders";
        HostileMember dotnet = Raw(File("net\\", ""));
        dotnet.compressed = zip;
        c.members = {Raw(File("SUB/DIR/FILE.TXT", "unix")), File("amiga/", ""), dotnet};
        c.outcomes = {kOk, kOk, kOk};
        c.expectFiles = {{"dest/SUB/DIR/FILE.TXT", "unix"}};
        c.expectFolders = {"dest/amiga", "dest/net"};
        cases.push_back(c);
    }
    {
        // Two dots inside a name climb nowhere: no question, the file is written.
        HostileCase c;
        c.label = "DotsInsideANameAreSafe";
        c.members = {File("a..b", "dots"), File("v1..2/notes..txt", "dots2"), File("...", "three")};
        c.outcomes = {kOk, kOk, kOk};
        c.expectFiles = {
            {"dest/a..b", "dots"}, {"dest/v1..2/notes..txt", "dots2"}, {"dest/...", "three"}};
        cases.push_back(c);
    }
    {
        // A long name: written when the host takes it as a file name, else refused
        // cleanly with nothing made; the next member is still written. A path longer than
        // the device's 259 characters whose names each fit is written.
        HostileCase c;
        c.label = "LongestNameTheFormatHolds";
        const std::string name = Repeat("n", NameLimit(kind));
        const bool fits = name.size() <= 255;  // the longest file name on the host
        c.members = {File(name, "long"), File("after.txt", "after")};
        c.outcomes = {fits ? kOk : kTooLong, kOk};
        c.damaged = fits ? 0 : 1;
        c.expectFiles = {{"dest/after.txt", "after"}};
        if (fits) c.expectFiles["dest/" + name] = "long";
        if (NameLimit(kind) > 260) {
            const std::string longPath = Repeat(std::string(100, 'p') + "/", 3) + "f.txt";
            c.members.push_back(File(longPath, "deep"));
            c.outcomes.push_back(kOk);
            c.expectFiles["dest/" + longPath] = "deep";
        }
        cases.push_back(c);
    }
    {
        // As many folder levels as a stored name holds, below a destination that is
        // itself 100 levels deep and does not exist yet: all of it is created.
        const std::size_t levels = (NameLimit(kind) - 1) / 2;
        HostileCase c;
        c.label = "DeepFolders";
        c.destination = "dest" + Repeat("/x", 100);
        c.members = {File(Repeat("d/", levels) + "f", "deep")};
        c.outcomes = {kOk};
        c.expectFiles = {{c.destination + "/" + Repeat("d/", levels) + "f", "deep"}};
        cases.push_back(c);
    }
    {
        // A destination longer than any host path: refused before anything is created,
        // in one message rather than one per member.
        HostileCase c;
        c.label = "PathLongerThanTheHostTakes";
        c.destination = "dest/" + Repeat(std::string(200, 'p') + "/", 22);
        c.members = {File("f.txt", "x"), Folder("sub/")};
        c.runs = false;
        c.expectAbsent = {"dest/" + std::string(200, 'p')};
        cases.push_back(c);
    }
    for (const bool agree : {false, true}) {
        // A link (symbolic, dangling or hard) standing where a member goes is replaced
        // only with consent, and never written through: its target keeps its content.
        HostileCase c;
        c.label = agree ? "LinkAtOutputPathReplaced" : "LinkAtOutputPathKept";
        c.prepare = [](const fs::path& root) {
            fs::create_symlink("../outside/target.txt", root / "dest/link.txt");
            fs::create_symlink("../outside/none.txt", root / "dest/dangling.txt");
            fs::create_hard_link(root / "outside/target.txt", root / "dest/hard.txt");
        };
        c.members = {File("link.txt", "through"), File("dangling.txt", "through"),
                     File("hard.txt", "through")};
        c.answers = {agree, agree, agree};
        c.outcomes = {agree ? kOk : kKept, agree ? kOk : kKept, agree ? kOk : kKept};
        if (agree) {
            c.consented = {"dest/link.txt", "dest/dangling.txt", "dest/hard.txt"};
            c.expectFiles = {{"dest/link.txt", "through"},
                             {"dest/dangling.txt", "through"},
                             {"dest/hard.txt", "through"}};
        }
        c.expectFiles["outside/target.txt"] = "target";
        c.expectAbsent = {"outside/none.txt"};
        cases.push_back(c);
    }
    {
        // A link to a folder where a folder entry goes: its target's permissions stay.
        HostileCase c;
        c.label = "LinkAtFolderEntry";
        c.prepare = [](const fs::path& root) {
            fs::permissions(root / "outside", fs::perms::owner_all | fs::perms::group_read);
            fs::create_symlink("../outside", root / "dest/linkdir");
        };
        c.members = {Folder("linkdir/")};
        // No folder of its own can be made there.
        c.outcomes = {kCreateFailed};
        c.damaged = 1;
        c.expectFiles = {{"outside/target.txt", "target"}};
        cases.push_back(c);
    }
    for (const bool agree : {false, true}) {
        // Read-only and ordinary existing files: replaced only after a yes.
        HostileCase c;
        c.label = agree ? "ExistingFilesReplaced" : "ExistingFilesKept";
        c.prepare = [](const fs::path& root) {
            WriteHostFile(root / "dest/ro.txt", "old read-only");
            fs::permissions(root / "dest/ro.txt", fs::perms::owner_read | fs::perms::group_read);
            WriteHostFile(root / "dest/plain.txt", "old plain");
        };
        c.members = {File("ro.txt", "new"), File("plain.txt", "new")};
        c.answers = {agree, agree};
        c.outcomes = {agree ? kOk : kKept, agree ? kOk : kKept};
        if (agree) c.consented = {"dest/ro.txt", "dest/plain.txt"};
        c.expectFiles = {{"dest/ro.txt", agree ? "new" : "old read-only"},
                         {"dest/plain.txt", agree ? "new" : "old plain"}};
        cases.push_back(c);
    }
    {
        // The same name five times: the first is written, each later one asks; the file
        // ends as the last one agreed to.
        HostileCase c;
        c.label = "SameNameManyTimes";
        for (int i = 1; i <= 5; ++i)
            c.members.push_back(File("same.txt", "copy " + std::to_string(i)));
        c.answers = {false, true, false, false};
        c.outcomes = {kOk, kKept, kOk, kKept, kKept};
        c.expectFiles = {{"dest/same.txt", "copy 3"}};
        cases.push_back(c);
    }
    {
        // Sizes that lie about stored data: a member claiming more or less than it holds
        // fails; the members after it are unharmed.
        HostileCase c;
        c.label = "SizesThatLie";
        const std::string text(300, 'L');
        c.members = {File("first.txt", "first"),
                     zip ? Claiming(File("more.txt", text), std::nullopt, 350)
                         : Claiming(File("more.txt", text), 200000, std::nullopt),
                     zip ? Claiming(File("less.txt", text), std::nullopt, 100)
                         : Claiming(File("less.txt", text), 100, std::nullopt),
                     File("last.txt", "last")};
        // ZIP: claiming more runs into the next member's header; stored sizes disagree.
        c.outcomes = {kOk, {9, 26}, {9, 24}, kOk};
        c.damaged = 2;
        c.expectFiles = {{"dest/first.txt", "first"}, {"dest/last.txt", "last"}};
        cases.push_back(c);
    }
    {
        // A file member where the user has a folder, and a folder entry (and a file in
        // it) where the user has a file: refused, the user's things untouched.
        HostileCase c;
        c.label = "FilesAndFoldersInEachOthersPlace";
        c.prepare = [](const fs::path& root) {
            fs::create_directories(root / "dest/taken");
            WriteHostFile(root / "dest/taken/mine.txt", "mine");
            WriteHostFile(root / "dest/box", "my box");
        };
        c.members = {File("taken", "theirs"), Folder("box/"), File("box/in.txt", "theirs")};
        c.outcomes = {kCreateFailed, kCreateFailed, kCreateFailed};
        c.damaged = 3;
        c.expectFiles = {{"dest/taken/mine.txt", "mine"}, {"dest/box", "my box"}};
        cases.push_back(c);
    }
    {
        // A member no reader can decode never replaces the user's file with nothing: both
        // readers know before asking.
        HostileCase c;
        c.label = "UnsupportedMemberKeepsTheFileItWouldReplace";
        c.prepare = [](const fs::path& root) { WriteHostFile(root / "dest/old.txt", "mine"); };
        HostileMember member = File("old.txt", "theirs");
        member.unsupportedMethod = true;
        c.members = {member};
        c.outcomes = {{7, 7}};
        c.unsupported = 1;
        c.expectFiles = {{"dest/old.txt", "mine"}};
        cases.push_back(c);
    }
    if (zip) {
        // The name that is listed (the central directory's, or its Unicode Path record's)
        // is the one checked and written, whatever the local header says.
        HostileCase c;
        c.label = "LocalNameClimbs";
        HostileMember local = File("ok.txt", "climb");
        local.zipLocalName = "../x";
        HostileMember unicode = File("fine.txt", "climb");
        unicode.zipExtra = UnicodePathRecord("fine.txt", "../x");
        c.members = {local, unicode, File("safe.txt", "safe")};
        c.answers = {false};
        c.askedTargets = {"x"};
        c.outcomes = {kOk, kRefused, kOk};
        c.expectFiles = {{"x", "planted"}, {"dest/ok.txt", "climb"}, {"dest/safe.txt", "safe"}};
        c.expectAbsent = {"dest/fine.txt"};
        c.kinds = {Kind::Zip};
        cases.push_back(c);
    }
    {
        // A member that fails (its CRC, its sizes) never replaces the file the user
        // agreed to replace: it stays byte for byte, with its mode and time. At a path
        // that was free nothing takes the member's name either.
        HostileCase c;
        c.label = "FailedMembersNeverReplace";
        c.prepare = [](const fs::path& root) {
            WriteHostFile(root / "dest/crc.txt", "mine");
            WriteHostFile(root / "dest/ro.txt", "mine, read-only");
            fs::permissions(root / "dest/ro.txt", fs::perms::owner_read | fs::perms::group_read);
            WriteHostFile(root / "dest/size.txt", "mine");
        };
        HostileMember crc = File("crc.txt", "theirs");
        crc.wrongCrc = true;
        HostileMember ro = File("ro.txt", "theirs");
        ro.wrongCrc = true;
        HostileMember fresh = File("fresh.txt", "theirs");
        fresh.wrongCrc = true;
        c.members = {crc, ro, Claiming(File("size.txt", "theirs"), 7, std::nullopt), fresh};
        // ZIP refuses the sizes before asking.
        c.answers = zip ? std::deque<bool>{true, true} : std::deque<bool>{true, true, true};
        c.outcomes = {kCrc, kCrc, {9, 24}, kCrc};
        c.damaged = 4;
        c.expectAbsent = {"dest/fresh.txt"};
        cases.push_back(c);
    }
    {
        // Kept for recovery, what a failed member decoded goes beside its name, never over
        // the user's file there nor over one that holds the name it would take.
        HostileCase c;
        c.label = "DamagedKeptAsideNeverOverAnything";
        c.keepDamaged = true;
        c.prepare = [](const fs::path& root) {
            WriteHostFile(root / "dest/crc.txt", "mine");
            WriteHostFile(root / "dest/crc.txt.damaged", "also mine");
        };
        HostileMember crc = File("crc.txt", "theirs");
        crc.wrongCrc = true;
        c.members = {crc};
        c.answers = {true};
        c.outcomes = {kCrc};
        c.damaged = 1;
        c.expectFiles = {{"dest/crc.txt", "mine"},
                         {"dest/crc.txt.damaged", "also mine"},
                         {"dest/crc.txt.damaged.1", "theirs"}};
        cases.push_back(c);
    }
    {
        // Replacing a file never changes its inode: a read-only file elsewhere that is
        // hard-linked to the output path keeps its mode and content.
        HostileCase c;
        c.label = "HardLinkedReadOnlyFileKeepsItsMode";
        c.prepare = [](const fs::path& root) {
            WriteHostFile(root / "outside/ro.txt", "elsewhere");
            fs::permissions(root / "outside/ro.txt", fs::perms::owner_read);
            fs::create_hard_link(root / "outside/ro.txt", root / "dest/linked.txt");
        };
        c.members = {File("linked.txt", "new")};
        c.answers = {true};
        c.outcomes = {kOk};
        c.consented = {"dest/linked.txt"};
        c.expectFiles = {{"dest/linked.txt", "new"}, {"outside/ro.txt", "elsewhere"}};
        cases.push_back(c);
    }
    if (zip) {
        // A wrong password that passes the one-byte check (1 in 256 do) decrypts to
        // garbage: the member fails its CRC and the user's file stays.
        HostileCase c;
        c.label = "WrongPasswordPassingTheCheckReplacesNothing";
        c.prepare = [](const fs::path& root) { WriteHostFile(root / "dest/secret.txt", "mine"); };
        HostileMember secret = File("secret.txt", "the real content");
        secret.zipPassword = "right";
        c.members = {secret};
        c.passwords = {WrongPasswordPassingTheCheck(secret)};
        c.answers = {true};
        c.outcomes = {kCrc};
        c.damaged = 1;
        c.kinds = {Kind::Zip};
        cases.push_back(c);
    }
    if (!zip) {
        // A compressed member claiming 4 GiB of output ends when its data does: no
        // endless decoding, no disk filled.
        HostileCase c;
        c.label = "CompressedMemberClaimingFourGigabytes";
        HostileMember huge = File("huge.bin", std::string(5000, 'h'));
        huge.compressed = true;
        huge.claimedOriginalSize = 0xFFFFFFFFu;
        c.members = {huge, File("after.txt", "after")};
        c.outcomes = {{6, 0}, kOk};
        c.damaged = 1;
        c.expectFiles = {{"dest/after.txt", "after"}};
        c.expectAbsent = {"dest/huge.bin"};
        c.kinds = {Kind::Lzh2};
        cases.push_back(c);
    }
    {
        // A folder entry with data: LZH refuses it as a damaged header; ZIP makes the
        // folder and writes no file.
        HostileCase c;
        c.label = "FolderEntryWithData";
        HostileMember folder = Folder("box/");
        folder.data = ToBytes("hidden data");
        c.members = {folder, File("after.txt", "after")};
        c.outcomes = {zip ? kOk : Outcome{8, 0}, kOk};
        c.damaged = zip ? 0 : 1;
        c.expectFiles = {{"dest/after.txt", "after"}};
        if (zip) c.expectFolders = {"dest/box"};
        if (!zip) c.expectAbsent = {"dest/box"};
        cases.push_back(c);
    }
    return cases;
}

std::vector<CaseParam> AllCases() {
    std::vector<CaseParam> all;
    for (Kind kind : {Kind::Lzh0, Kind::Lzh1, Kind::Lzh2, Kind::Zip}) {
        for (HostileCase& c : CasesFor(kind)) {
            if (std::find(c.kinds.begin(), c.kinds.end(), kind) == c.kinds.end()) continue;
            all.push_back({kind, std::move(c)});
        }
    }
    return all;
}

std::string ReadText(const fs::path& path) {
    const Bytes bytes = ReadHostFile(path);
    return std::string(bytes.begin(), bytes.end());
}

class HostileArchiveTest : public RobustDocumentTest,
                           public ::testing::WithParamInterface<CaseParam> {
protected:
    void SetUp() override {
        fs::create_directories(temp.Host("dest"));
        fs::create_directories(temp.Host("outside"));
        fs::create_directories(temp.Host("archives"));
        WriteHostFile(temp.Host("x"), "planted");
        WriteHostFile(temp.Host("outside/keep.txt"), "keep");
        WriteHostFile(temp.Host("outside/target.txt"), "target");
    }
};

TEST_P(HostileArchiveTest, OnlyTheDestinationChangesAndOnlyWithConsent) {
    const Kind kind = GetParam().kind;
    const HostileCase& c = GetParam().hostile;
    const bool zip = kind == Kind::Zip;
    const Bytes archive = zip ? BuildZip(c.members)
                              : BuildLzh(kind == Kind::Lzh0   ? 0
                                         : kind == Kind::Lzh1 ? 1
                                                              : 2,
                                         c.members);
    const fs::path archivePath = temp.Host(zip ? "archives/case.zip" : "archives/case.lzh");
    WriteHostFile(archivePath, archive);
    if (c.prepare) c.prepare(temp.path());
    settings.KeepDamaged = c.keepDamaged ? 1 : 0;
    ASSERT_EQ(doc->OpenArchive(ProgramPath(archivePath)), 1);
    ASSERT_EQ(doc->EntryCount(), static_cast<int>(c.members.size()));
    const bool rootedBefore = fs::exists("/rooted") || fs::exists("/abs");

    const TreeSnapshot before = Snapshot(temp.path());
    user.yesNo = c.answers;
    user.passwords = c.passwords;
    const WString destination = temp.Program(c.destination);
    const RunSummary summary = ExtractAllInto(destination);
    const TreeSnapshot after = Snapshot(temp.path());
    ++Tally().hostileCases;
    Tally().Count(zip, "hostile archive");

    // Every scripted answer was asked for, and no other question came; the unsafe-path
    // questions said where each member would go.
    EXPECT_TRUE(user.yesNo.empty()) << "questions not asked: " << user.yesNo.size();
    EXPECT_TRUE(user.passwords.empty());
    EXPECT_EQ(user.questions.size(), c.answers.size());
    std::vector<std::string> targets;
    const std::string root = fs::canonical(temp.path()).string() + "/";
    for (const UnsafePathQuestion& q : user.unsafeQuestions) {
        const std::string target = platform::ToHostPath(q.targetPath);
        targets.push_back(target.starts_with(root) ? target.substr(root.size()) : target);
    }
    EXPECT_EQ(targets, c.askedTargets);

    // Each member got its reader's status for the outcome.
    std::vector<int> expected;
    for (const Outcome& o : c.outcomes)
        expected.push_back(zip ? o.zip : o.lzh);
    EXPECT_EQ(watcher.statuses, expected);
    EXPECT_EQ(summary.ran, c.runs);
    if (!c.runs) {
        ASSERT_EQ(user.messages.size(), 1u);
        EXPECT_TRUE(user.messages[0].starts_with(texts::kDestinationFailed));
    }
    EXPECT_EQ(summary.damagedCount, c.damaged);
    EXPECT_EQ(summary.unsupportedCount, c.unsupported);
    // A path too long for the host is reported as such, naming the member.
    const auto tooLong = [](const WString& m) { return m.starts_with(texts::kPathTooLong); };
    EXPECT_EQ(std::count_if(user.messages.begin(), user.messages.end(), tooLong),
              std::count(expected.begin(), expected.end(), kTooLong.lzh));

    // Outside the destination only consented paths changed; a file that existed changed
    // only with consent.
    const std::vector<std::string> unexpected =
        UnexpectedChanges(before, after, c.consented, {"dest"});
    EXPECT_TRUE(unexpected.empty()) << "changed outside the destination: " << unexpected.front();
    std::set<std::string> userFiles;
    for (const auto& [path, item] : before) {
        if (item.kind != TreeItem::Folder && !c.consented.contains(path)) userFiles.insert(path);
    }
    const std::uint64_t lost = ChangedUserBytes(before, after, userFiles);
    Tally().userBytesChangedWithoutConsent += lost;
    EXPECT_EQ(lost, 0u);
    for (const std::string& path : userFiles) {
        EXPECT_EQ(before.at(path), after.count(path) ? after.at(path) : TreeItem{})
            << path << " changed without consent";
    }
    EXPECT_EQ(fs::exists("/rooted") || fs::exists("/abs"), rootedBefore);

    for (const auto& [path, content] : c.expectFiles) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(temp.Host(path)))) << path;
        EXPECT_EQ(ReadText(temp.Host(path)), content) << path;
    }
    for (const std::string& path : c.expectFolders) {
        EXPECT_TRUE(fs::is_directory(fs::symlink_status(temp.Host(path)))) << path;
    }
    for (const auto& [path, limit] : c.maxSizes) {
        EXPECT_LE(fs::file_size(temp.Host(path)), limit) << path;
    }
    for (const std::string& path : c.expectAbsent) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(temp.Host(path)))) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileArchiveTest, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<CaseParam>& p) {
                             return std::string(KindName(p.param.kind)) + "_" +
                                    p.param.hostile.label;
                         });

// A file the user cannot read is still asked about and kept on no; replaced on yes.
TEST_F(RobustDocumentTest, UnreadableExistingFileIsAskedAboutAndKeptOnNo) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root, who reads every file: an unreadable file cannot "
                        "be made here";
    }
    for (const bool zip : {false, true}) {
        for (const bool agree : {false, true}) {
            SCOPED_TRACE(std::string(zip ? "zip" : "lzh") + (agree ? " yes" : " no"));
            const fs::path dest =
                temp.Host(std::string("unreadable-") + (zip ? "z" : "l") + (agree ? "y" : "n"));
            fs::create_directories(dest);
            WriteHostFile(dest / "secret.txt", "mine");
            fs::permissions(dest / "secret.txt", fs::perms::none);
            const std::vector<HostileMember> members = {File("secret.txt", "theirs")};
            const fs::path archive = temp.Host(zip ? "unreadable.zip" : "unreadable.lzh");
            WriteHostFile(archive, zip ? BuildZip(members) : BuildLzh(2, members));
            ASSERT_EQ(doc->OpenArchive(ProgramPath(archive)), 1);
            user.yesNo = {agree};
            const RunSummary summary = ExtractAllInto(ProgramPath(dest));
            EXPECT_TRUE(user.yesNo.empty());
            EXPECT_EQ(summary.damagedCount, 0);
            fs::permissions(dest / "secret.txt", fs::perms::owner_read, fs::perm_options::add);
            EXPECT_EQ(ReadText(dest / "secret.txt"), agree ? "theirs" : "mine");
            doc->CloseArchive();
        }
    }
}

// A file the user agreed to replace stays as it was when the member's data cannot be
// written (a failed or short write, as on a full or failing disk), and nothing is left
// beside it.
TEST_F(RobustDocumentTest, ReplacingAFileThatCannotBeWrittenKeepsTheOldOne) {
    const Bytes content = RandomBytes(200000, 7);  // several writes
    for (const bool zip : {false, true}) {
        for (const bool shortWrite : {false, true}) {
            SCOPED_TRACE(std::string(zip ? "zip" : "lzh") + (shortWrite ? " short" : " failed"));
            const fs::path dest =
                temp.Host(std::string("replace-") + (zip ? "z" : "l") + (shortWrite ? "s" : "f"));
            fs::create_directories(dest);
            WriteHostFile(dest / "big.bin", "mine");
            HostileMember member;
            member.name = "big.bin";
            member.data = content;
            const fs::path archive = temp.Host(zip ? "replace.zip" : "replace.lzh");
            WriteHostFile(archive, zip ? BuildZip({member}) : BuildLzh(2, {member}));
            ASSERT_EQ(doc->OpenArchive(ProgramPath(archive)), 1);
            for (const std::size_t failAt : {std::size_t{1}, std::size_t{2}}) {
                user.yesNo = {true};
                std::size_t writes = 0;
                platform::SetIoFaultHook([&](platform::IoKind kind, std::size_t count) {
                    if (kind != platform::IoKind::Write || ++writes != failAt) return count;
                    return shortWrite ? count / 2 : std::size_t{0};
                });
                const RunSummary summary = ExtractAllInto(ProgramPath(dest));
                platform::SetIoFaultHook({});
                ++Tally().faultRuns;
                Tally().Count(zip, shortWrite ? "short write" : "failed write");
                EXPECT_EQ(watcher.statuses, std::vector<int>{21});
                EXPECT_EQ(summary.damagedCount, 1);
                EXPECT_EQ(ReadText(dest / "big.bin"), "mine");
                EXPECT_EQ(Snapshot(dest).size(), 1u) << "something left beside the file";
            }
            // Without a fault the member replaces the file.
            user.yesNo = {true};
            ExtractAllInto(ProgramPath(dest));
            EXPECT_EQ(ReadHostFile(dest / "big.bin"), content);
            EXPECT_EQ(Snapshot(dest).size(), 1u);
            doc->CloseArchive();
        }
    }
}

// A replacement that cannot take the old file's place when it is closed (a folder took
// that place meanwhile) fails its member instead of counting as written.
TEST_F(RobustDocumentTest, AReplacementThatCannotTakeItsPlaceFailsItsMember) {
    for (const bool zip : {false, true}) {
        SCOPED_TRACE(zip ? "zip" : "lzh");
        const fs::path dest = temp.Host(zip ? "place-z" : "place-l");
        fs::create_directories(dest);
        WriteHostFile(dest / "f.txt", "mine");
        const std::vector<HostileMember> members = {File("f.txt", "theirs")};
        const fs::path archive = temp.Host(zip ? "place.zip" : "place.lzh");
        WriteHostFile(archive, zip ? BuildZip(members) : BuildLzh(2, members));
        ASSERT_EQ(doc->OpenArchive(ProgramPath(archive)), 1);
        user.yesNo = {true};
        platform::SetIoFaultHook([&](platform::IoKind kind, std::size_t count) {
            if (kind == platform::IoKind::Write && fs::is_regular_file(dest / "f.txt")) {
                fs::remove(dest / "f.txt");
                fs::create_directory(dest / "f.txt");
            }
            return count;
        });
        const RunSummary summary = ExtractAllInto(ProgramPath(dest));
        platform::SetIoFaultHook({});
        EXPECT_EQ(watcher.statuses, std::vector<int>{21});
        EXPECT_EQ(summary.damagedCount, 1);
        EXPECT_TRUE(fs::is_directory(dest / "f.txt"));
        EXPECT_EQ(Snapshot(dest).size(), 1u);
        doc->CloseArchive();
    }
}

// Encrypted members with a wrong or a cancelled password fail as damaged without
// touching the file of the same name the user already has; the right one replaces it
// after a yes.
struct PasswordCase {
    std::string fixture;
    std::string label;
};

void PrintTo(const PasswordCase& param, std::ostream* os) {
    *os << param.fixture;
}

class PasswordTest : public RobustDocumentTest,
                     public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(PasswordTest, WrongAndCancelledPasswordsLeaveTheUsersFile) {
    const fs::path archive = temp.Host("archives/secret.zip");
    fs::create_directories(archive.parent_path());
    fs::copy_file(FixturesDir() / GetParam().fixture, archive);
    const fs::path dest = temp.Host("dest");
    fs::create_directories(dest);
    WriteHostFile(dest / "plain.txt", "mine");
    // Three wrong answers (the member's every question), or a cancelled dialog.
    const std::optional<WString> wrong(u"wrong");
    for (const std::deque<std::optional<WString>>& answers :
         {std::deque{wrong, wrong, wrong}, std::deque{std::optional<WString>()}}) {
        const bool answer = answers.front().has_value();
        ASSERT_EQ(doc->OpenArchive(ProgramPath(archive)), 1);
        const TreeSnapshot before = Snapshot(temp.path());
        user.passwords = answers;
        const RunSummary summary = ExtractAllInto(ProgramPath(dest));
        ++Tally().hostileCases;
        Tally().Count(true, "hostile archive");
        EXPECT_TRUE(user.passwords.empty());
        EXPECT_EQ(watcher.statuses, std::vector<int>{static_cast<int>(ZipStatus::WrongPassword)});
        EXPECT_EQ(summary.damagedCount, 1);
        // A wrong password and a cancelled dialog each say so.
        EXPECT_EQ(user.Talk(),
                  (std::vector<std::string>{
                      answer ? "message: パスワードが違います。 [plain.txt]"
                             : "message: パスワードが入力されませんでした。 [plain.txt]",
                      "message: 展開終了\n不正ファイル数 1"}));
        const TreeSnapshot after = Snapshot(temp.path());
        EXPECT_TRUE(ChangedPaths(before, after).empty());
        doc->CloseArchive();
    }
    ASSERT_EQ(doc->OpenArchive(ProgramPath(archive)), 1);
    user.passwords = {std::optional<WString>(u"Secret")};
    user.yesNo = {true};
    const RunSummary summary = ExtractAllInto(ProgramPath(dest));
    EXPECT_EQ(summary.damagedCount, 0);
    const Bytes plain = ReadHostFile(dest / "plain.txt");
    EXPECT_EQ(plain.size(), 3001u);
    EXPECT_EQ(Crc32Update(0, plain.data(), plain.size()), 0xEB2D8E81u);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, PasswordTest,
    ::testing::Values(PasswordCase{"crypto/zipcrypto-7zip.zip", "Traditional"},
                      PasswordCase{"crypto/zipcrypto-infozip.zip", "TraditionalWithDescriptor"},
                      PasswordCase{"crypto/aes128-7zip.zip", "Aes128"},
                      PasswordCase{"crypto/aes256-7zip.zip", "Aes256"}),
    [](const ::testing::TestParamInfo<PasswordCase>& p) { return p.param.label; });

}  // namespace
}  // namespace quillory::testing
