// Encrypted members: the remembered-password rules across members and re-opens, the
// check byte's two sources, AES strengths and codes, and the sizes a cipher needs.
// Traditional members are encrypted here with the cipher's own key steps; AES members
// come from the 7-Zip and bsdtar fixtures, patched where a test needs a fault.
#include <gtest/gtest.h>

#include <filesystem>

#include "crypto/remembered_password.h"
#include "crypto/zip_crypto.h"
#include "platform/path.h"
#include "tests/support/recording_callback.h"
#include "tests/support/test_support.h"
#include "tests/zip/zip_builder.h"
#include "zip/zip_archive.h"
#include "zip/zip_format.h"

namespace quillory {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::RecordingCallback;
using testing::ToBytes;
using testing::ZipBuilder;
using testing::ZipMember;
using Q = RecordingCallback::Question;

// A traditionally encrypted stored member; with a data descriptor the check byte is the
// time's high byte, else the CRC's top byte.
ZipMember Encrypted(const std::string& name, const Bytes& data, const char* password,
                    bool dataDescriptor = false) {
    ZipMember m = testing::StoredMember(name, data);
    m.flags = static_cast<std::uint16_t>(0x0001 | (dataDescriptor ? 0x0008 : 0));
    const std::uint8_t check = dataDescriptor ? static_cast<std::uint8_t>(m.time >> 8)
                                              : static_cast<std::uint8_t>(m.plainCrc >> 24);
    m.data = testing::TraditionalEncrypt(data, password, check);
    return m;
}

class EncryptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        run.callback = &callback;
        run.testMode = true;
        run.password = &password;
    }
    // Opens the archive and, as the document does, forgets the last archive's password.
    void OpenPath(const WString& path) {
        password.Clear();
        ASSERT_TRUE(zip.Open(path).ok());
    }
    void OpenBytes(const Bytes& bytes) {
        testing::WriteHostFile(dir.Host("a.zip"), bytes);
        OpenPath(dir.Program("a.zip"));
    }
    void OpenFixture(const std::string& name) {
        OpenPath(platform::FromHostPath((testing::FixturesDir() / "zip" / name).string()));
    }
    // 1 when the member came out good; its outcome in last.
    int Extract(int i) {
        last = zip.ExtractEntry(zip.entries()[static_cast<std::size_t>(i)], run);
        return last.ok() ? 1 : 0;
    }

    testing::TempDir dir;
    RecordingCallback callback;
    ZipArchive zip;
    RememberedPassword password;
    MemberRun run;
    Outcome<ZipStatus> last;
};

TEST_F(EncryptionTest, ThePasswordIsAskedOnceAndRememberedForLaterMembers) {
    ZipBuilder b;
    b.Add(Encrypted("one", ToBytes("first"), "secret"))
        .Add(Encrypted("two", ToBytes("second"), "secret"))
        .Add(Encrypted("three", ToBytes("third"), "other"));
    OpenBytes(b.Build());
    callback.passwords = {u"secret", u"wrong"};
    EXPECT_EQ(Extract(0), 1);
    EXPECT_EQ(Extract(1), 1);  // the remembered password, no question
    EXPECT_EQ(callback.Count(Q::Password), 1u);
    EXPECT_EQ(callback.questions[0].name, u"one");
    EXPECT_EQ(Extract(2), 0);  // asked once more, answered wrong, asked again and cancelled
    EXPECT_EQ(last.status, ZipStatus::WrongPassword);
    EXPECT_EQ(callback.Count(Q::Password), 3u);
    EXPECT_EQ(callback.passwordWrongBefore, (std::vector<bool>{false, false, true}));
    // What was answered last is what is remembered now: "secret" is asked for again.
    callback.passwords.push_back(u"secret");
    EXPECT_EQ(Extract(0), 1);
    EXPECT_EQ(callback.Count(Q::Password), 4u);
}

TEST_F(EncryptionTest, ReopeningForgetsThePassword) {
    ZipBuilder b;
    b.Add(Encrypted("one", ToBytes("first"), "secret"));
    OpenBytes(b.Build());
    callback.passwords = {u"secret", u"secret"};
    EXPECT_EQ(Extract(0), 1);
    OpenPath(dir.Program("a.zip"));
    EXPECT_EQ(Extract(0), 1);
    EXPECT_EQ(callback.Count(Q::Password), 2u);
}

// Info-ZIP on Linux took the password's UTF-8 bytes; the names' code page (CP932) has no
// ä: the answer is tried in UTF-8 too, and remembered so.
TEST_F(EncryptionTest, APasswordInUtf8OpensWithoutItsCodePage) {
    OpenFixture("infozip-utf8-password.zip");
    callback.passwords = {u"Pässwörd"};
    EXPECT_EQ(Extract(0), 1);
    EXPECT_EQ(Extract(0), 1);
    EXPECT_EQ(callback.Count(Q::Password), 1u);
}

TEST_F(EncryptionTest, TheEmptyPasswordIsTriedFirstAndACancelledQuestionEndsTheMember) {
    ZipBuilder b;
    b.Add(Encrypted("open", ToBytes("no password"), ""))
        .Add(Encrypted("closed", ToBytes("x"), "pw"));
    OpenBytes(b.Build());
    EXPECT_EQ(Extract(0), 1);
    EXPECT_TRUE(callback.questions.empty());
    EXPECT_EQ(Extract(1), 0);  // cancelled: nothing more is tried
    EXPECT_EQ(last.status, ZipStatus::WrongPassword);
    EXPECT_EQ(callback.Count(Q::Password), 1u);
    MemberRun silent;  // without a callback nothing is asked
    silent.testMode = true;
    EXPECT_TRUE(zip.ExtractEntry(zip.entries()[0], silent).ok());
    EXPECT_EQ(zip.ExtractEntry(zip.entries()[1], silent).status, ZipStatus::WrongPassword);
}

// The check byte is the local header's: its time's high byte when its flags announce a
// data descriptor, else its CRC-32's top byte, whatever the central record says.
TEST_F(EncryptionTest, TheCheckByteComesFromTheLocalHeader) {
    ZipBuilder b;
    b.Add(Encrypted("descriptor", ToBytes("d"), "pw", true))
        .Add(Encrypted("crc", ToBytes("c"), "pw"));
    ZipMember swapped = Encrypted("swapped", ToBytes("s"), "pw", true);
    swapped.flags = 0x0001;  // the header was made for the time byte, but bit 3 is clear
    swapped.time = 0x1234;
    swapped.localTime = 0x6000;
    ZipMember localCrc = Encrypted("local-crc", ToBytes("l"), "pw");
    localCrc.localCrc32 = 0xAB000000;  // the central CRC-32 is the data's
    localCrc.data = testing::TraditionalEncrypt(ToBytes("l"), "pw", 0xAB);
    ZipMember localBit = Encrypted("local-bit", ToBytes("t"), "pw", true);
    localBit.flags = 0x0001;  // only the local flags announce the descriptor
    localBit.localFlags = 0x0009;
    b.Add(swapped).Add(localCrc).Add(localBit);
    OpenBytes(b.Build());
    callback.passwords = {u"pw", u"pw"};  // asked again for the member refused
    EXPECT_EQ(Extract(0), 1);
    EXPECT_EQ(Extract(1), 1);
    EXPECT_EQ(Extract(2), 0);
    EXPECT_EQ(last.status, ZipStatus::WrongPassword);
    EXPECT_EQ(Extract(3), 1) << static_cast<int>(last.status);
    EXPECT_EQ(Extract(4), 1) << static_cast<int>(last.status);
}

TEST_F(EncryptionTest, EncryptedMembersTooSmallForTheirHeaderAreRefusedUnasked) {
    ZipBuilder b;
    ZipMember empty = Encrypted("empty", {}, "pw");  // 12 bytes: just the header
    ZipMember tooSmall = Encrypted("small", {}, "pw");
    tooSmall.compressedSize = 11;
    b.Add(empty).Add(tooSmall);
    OpenBytes(b.Build());
    callback.passwords = {u"pw"};
    EXPECT_EQ(Extract(0), 1);  // an empty member with CRC 0
    EXPECT_EQ(Extract(1), 0);
    EXPECT_EQ(last.status, ZipStatus::BadLocalHeader);
    EXPECT_EQ(callback.Count(Q::Password), 1u);
}

TEST_F(EncryptionTest, AesMembersOfEveryStrengthAndBothVersions) {
    for (const char* name : {"7zz-aes128.zip", "7zz-aes192.zip", "7zz-aes256.zip",
                             "bsdtar-aes128.zip", "bsdtar-aes256.zip"}) {
        SCOPED_TRACE(name);
        RecordingCallback asked;
        asked.passwords = {u"quillory"};
        run.callback = &asked;
        OpenFixture(name);
        for (int i = 0; i < static_cast<int>(zip.entries().size()); ++i)
            EXPECT_EQ(Extract(i), 1) << i;
        EXPECT_EQ(asked.Count(Q::Password), 1u);
    }
}

TEST_F(EncryptionTest, WrongAesPasswordsAreAskedAboutThreeTimes) {
    OpenFixture("7zz-aes192.zip");
    callback.passwords = {u"wrong", u"wrong", u"wrong", u"wrong"};
    EXPECT_EQ(Extract(0), 0);
    EXPECT_EQ(last.status, ZipStatus::WrongPassword);
    EXPECT_EQ(callback.Count(Q::Password), 3u);
}

// A copy of a fixture with `patch` applied to its bytes, opened.
class AesFaultTest : public EncryptionTest {
protected:
    // The central header of the entry named name.
    static std::size_t CentralHeader(const Bytes& zipBytes, const std::string& name) {
        using zip::format::Le16;
        for (std::size_t at = 0; at + 46 <= zipBytes.size(); ++at) {
            if (zip::format::Le32(&zipBytes[at]) != zip::format::kCentralHeaderSignature) continue;
            const std::size_t n = Le16(&zipBytes[at + 28]);
            if (std::string(zipBytes.begin() + static_cast<std::ptrdiff_t>(at + 46),
                            zipBytes.begin() + static_cast<std::ptrdiff_t>(at + 46 + n)) == name) {
                return at;
            }
        }
        throw std::runtime_error("no such entry");
    }
    Bytes Fixture(const std::string& name) {
        return testing::ReadHostFile(testing::FixturesDir() / "zip" / name);
    }
    int ExtractNamed(const std::string& name) {
        for (const ZipEntry& e : zip.entries()) {
            if (platform::WideToUtf8(e.path) + platform::WideToUtf8(e.name) == name) {
                last = zip.ExtractEntry(e, run);
                return last.ok() ? 1 : 0;
            }
        }
        throw std::runtime_error("no such entry");
    }
};

TEST_F(AesFaultTest, StrengthsOtherThanOneToThreeAreRefusedWithoutAQuestion) {
    Bytes bytes = Fixture("7zz-aes256.zip");
    const std::size_t h = CentralHeader(bytes, "text.txt");
    const std::size_t extra = h + 46 + 8;
    const std::size_t aes = extra + 4 + 32;  // after the NTFS time record
    ASSERT_EQ(zip::format::Le16(&bytes[aes]), 0x9901);
    for (int strength : {0, 4, 0xFF}) {
        bytes[aes + 8] = static_cast<std::uint8_t>(strength);
        OpenBytes(bytes);
        EXPECT_EQ(ExtractNamed("text.txt"), 0);
        EXPECT_EQ(last.status, ZipStatus::AesSetupFailed);
    }
    EXPECT_TRUE(callback.questions.empty());
}

TEST_F(AesFaultTest, AuthenticationCodesCoverTheData) {
    callback.passwords.assign(10, u"quillory");
    // bsdtar writes AE-1: the data and the code are both checked.
    Bytes bytes = Fixture("bsdtar-aes128.zip");
    const std::size_t h = CentralHeader(bytes, "text.txt");
    const std::uint32_t local = zip::format::Le32(&bytes[h + 42]);
    const std::uint32_t size = zip::format::Le32(&bytes[h + 20]);
    const std::size_t data =
        local + 30 + zip::format::Le16(&bytes[local + 26]) + zip::format::Le16(&bytes[local + 28]);
    Bytes flippedData = bytes;
    flippedData[data + 10 + 1000] ^= 0x01;  // past the salt and verifier
    OpenBytes(flippedData);
    EXPECT_EQ(ExtractNamed("text.txt"), 0);
    EXPECT_EQ(last.status, ZipStatus::AuthenticationFailed);
    Bytes flippedCode = bytes;
    flippedCode[data + size - 1] ^= 0x80;
    OpenBytes(flippedCode);
    EXPECT_EQ(ExtractNamed("text.txt"), 0);
    EXPECT_EQ(last.status, ZipStatus::AuthenticationFailed);
    Bytes wrongCrc = bytes;
    wrongCrc[h + 16] ^= 0x01;
    OpenBytes(wrongCrc);
    EXPECT_EQ(ExtractNamed("text.txt"), 0);
    EXPECT_EQ(last.status, ZipStatus::CrcMismatch);
}

TEST_F(AesFaultTest, Ae2MembersNeedNoCrc) {
    callback.passwords.assign(10, u"quillory");
    Bytes bytes = Fixture("7zz-aes128.zip");
    const std::size_t h = CentralHeader(bytes, "text.txt");
    for (int i = 0; i < 4; ++i)
        bytes[h + 16 + i] = static_cast<std::uint8_t>(0xDE + i);
    OpenBytes(bytes);
    EXPECT_EQ(ExtractNamed("text.txt"), 1);
}

TEST_F(AesFaultTest, SizesTooSmallForSaltVerifierAndCodeAreRefusedUnasked) {
    Bytes bytes = Fixture("7zz-aes192.zip");
    const std::size_t h = CentralHeader(bytes, "empty.txt");
    ASSERT_EQ(zip::format::Le32(&bytes[h + 20]), 24u);  // AES-192: 12 + 2 + 10, no data
    bytes[h + 20] = 23;
    OpenBytes(bytes);
    EXPECT_EQ(ExtractNamed("empty.txt"), 0);
    EXPECT_EQ(last.status, ZipStatus::BadLocalHeader);
    EXPECT_TRUE(callback.questions.empty());
}

TEST_F(EncryptionTest, OnePasswordServesBothCiphers) {
    OpenFixture("infozip-traditional.zip");
    callback.passwords = {u"quillory"};
    EXPECT_EQ(Extract(0), 1);
    // The same reader opening an AES archive starts from an empty password again.
    OpenFixture("7zz-aes256.zip");
    callback.passwords.push_back(u"quillory");
    for (int i = 0; i < static_cast<int>(zip.entries().size()); ++i)
        EXPECT_EQ(Extract(i), 1);
    EXPECT_EQ(callback.Count(Q::Password), 2u);
}

}  // namespace
}  // namespace quillory
