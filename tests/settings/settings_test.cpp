// kestrel.ini: the codec byte for byte, the file on disk, and what the shell does with them.
#include "settings/disk_settings_file.h"
#include "text/utf8.h"
#include "support/shell_fixture.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace kestrel::testing {
namespace {

using enum ControlName;

// Values to decode over: a position no test text holds, so that one the decoder skipped shows.
SettingsValues Before() {
    SettingsValues values;
    values.windowLeft = 11;
    values.windowTop = 22;
    values.interfaceNumber = 100;
    values.speedStep = 0;
    return values;
}

std::string Block(std::string_view marker, std::string_view host, std::string_view user,
                  std::string_view password) {
    return ScrambleText(marker) + "\r" + ScrambleText(host) + "\r" + ScrambleText(user) + "\r" +
           ScrambleText(password) + "\r";
}

TEST(SettingsCodecTest, ScrambleComplementsEveryByte) {
    EXPECT_EQ(ScrambleText("abc"), "\x9E\x9D\x9C");
    EXPECT_EQ(ScrambleText(""), "");
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(ScrambleText(ScrambleText(all)), all);
}

TEST(SettingsCodecTest, WritesTheHeaderAndTwelveFields) {
    SettingsValues v = Before();
    v.windowLeft = -5;
    v.windowTop = 70000;
    v.interfaceNumber = 3;
    v.speedStep = 6;
    v.accounts[0] = {"pop.example.org", "alice", "pw", true};
    v.accounts[2] = {"", "bob", "", false};
    const std::string want = "-5,70000,3,6," + Block("\x02", "pop.example.org", "alice", "pw") +
                             Block("\x01", "", "", "") + Block("\x01", "", "bob", "");
    EXPECT_EQ(EncodeSettings(v), want);
    EXPECT_EQ(EncodeSettings(v).substr(13, 2), "\xFD\r") << "the active marker";
}

// A file of an earlier version, whose texts are Windows-1252 bytes, reads as their characters
// and is written back byte for byte.
TEST(SettingsCodecTest, AnEarlierFileReadsAndWritesAsBefore) {
    std::string bytes;
    for (int b = 1; b < 256; ++b) {
        if (b != 0xF2 && b != 0xFF)
            bytes += static_cast<char>(b);
    }
    const std::string identity = "{0A1B2C3D-0000-0000-0000-000000000001}";
    const std::string file = "-2147483648,2147483647,100,0," +
                             Block("\x02", bytes.substr(0, 50), bytes.substr(50, 50),
                                   bytes.substr(100, 50)) +
                             Block("\x01", bytes.substr(150, 50), bytes.substr(200, 50),
                                   bytes.substr(250)) +
                             Block("\x01", "", "", "") + ScrambleText(identity) + "\r" +
                             ScrambleText(bytes.substr(0, 50)) + "\r";
    SettingsValues v = Before();
    const auto text = [&](size_t at, size_t n = 50) { return Utf8OfCp1252(bytes.substr(at, n)); };
    v.accounts[0] = {text(0), text(50), text(100), true};
    v.accounts[1] = {text(150), text(200), text(250, std::string::npos), false};
    v.windowLeft = std::numeric_limits<int32_t>::min();
    v.windowTop = std::numeric_limits<int32_t>::max();
    v.interfaceIdentity = identity;
    v.interfaceName = text(0);
    v.mailCheckEnabled = true;
    EXPECT_EQ(DecodeSettings(file, Before()), v);
    EXPECT_EQ(EncodeSettings(v), file);
}

// Texts beyond Windows-1252 come back whole; what an earlier version reads of the file is the
// 1252 file of the same values with "?" for what 1252 lacks, and it stops before the rest.
// How an account signs in is kept behind everything else; an earlier version sees an account
// without a password.
TEST(SettingsCodecTest, TextsBeyond1252ComeBackAndLeaveEarlierVersionsTheirFields) {
    using Source = SignInSettings::Source;
    const SignInSettings command{Source::Command, sasl::Mechanism::OAuthBearer,
                                 "pass show \"mail/tök en\"", "", "", "", "", ""};
    const SignInSettings custom{Source::Provider, sasl::Mechanism::XOAuth2, "", "custom",
                                "https://login.example.org/authorize",
                                "https://login.example.org/token", "kestrel-ünï", "s3cr€t"};
    const struct {
        const char* name;
        AccountRecord account;
        std::string interfaceName;
        AccountRecord seenBefore; // by an earlier version
        std::string nameSeenBefore;
    } rows[] = {
        {"Cyrillic", {"imap://127.0.0.1", "Иван", "пароль", true}, "",
         {"imap://127.0.0.1", "????", "??????", true}, ""},
        {"the two bytes 1252 cannot store", {"h", "jòrg", "ÿes", false}, "",
         {"h", "j?rg", "?es", false}, ""},
        {"emoji and CJK", {"h", "日本", "🔑👍🏽", true}, "Ethernet 日本",
         {"h", "??", "???", true}, "Ethernet ??"},
        {"a token command", {"imaps://h", "alice", "", true, command}, "",
         {"imaps://h", "alice", "", true}, ""},
        {"a provider's sign-in", {"imaps://h", "Иван", "", false, custom}, "Ethernet 日本",
         {"imaps://h", "????", "", false}, "Ethernet ??"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SettingsValues v = Before(), before = Before();
        v.accounts[1] = row.account;
        before.accounts[1] = row.seenBefore;
        if (!row.interfaceName.empty()) {
            v.interfaceIdentity = before.interfaceIdentity = "{0A1B2C3D}";
            v.interfaceName = row.interfaceName;
            before.interfaceName = row.nameSeenBefore;
        }
        v.mailCheckEnabled = row.account.active;
        const std::string file = EncodeSettings(v);
        EXPECT_EQ(DecodeSettings(file, Before()), v);
        const std::string earlier = EncodeSettings(before);
        EXPECT_EQ(file.substr(0, earlier.size()), earlier);
        // An earlier version stops after the identity and name, or at the empty identity in
        // their place; the field of stored passwords comes next, here empty.
        EXPECT_EQ(file[earlier.size()], '\r');
    }
}

struct DecodeCase {
    const char* name;
    std::string text;
    int32_t left, top, interfaceNumber, speedStep;
};

TEST(SettingsCodecTest, HeaderNumbersReadLeniently) {
    const DecodeCase rows[] = {
        {"empty file", "", 0, 0, 0, 0},
        {"header only", "1180,702,2,3,", 1180, 702, 2, 3},
        {"blanks and signs", "  -5,+7, 12x,abc,", -5, 7, 12, 0},
        {"no comma at the end", "1,2,3,4", 1, 2, 3, 0},
        {"stops at a zero byte", std::string("1,2\0,3,4,", 9), 1, 0, 0, 0},
        {"huge numbers wrap", "4294967297,-1,101,0,", 1, -1, 101, 0},
    };
    for (const DecodeCase& row : rows) {
        const SettingsValues v = DecodeSettings(row.text, Before());
        EXPECT_EQ(v.windowLeft, row.left) << row.name;
        EXPECT_EQ(v.windowTop, row.top) << row.name;
        EXPECT_EQ(v.interfaceNumber, row.interfaceNumber) << row.name;
        EXPECT_EQ(v.speedStep, row.speedStep) << row.name;
        EXPECT_EQ(v.accounts, AccountTable{}) << row.name;
        EXPECT_FALSE(v.mailCheckEnabled) << row.name;
    }
}

TEST(SettingsCodecTest, MarkersAndTheMailCheckRule) {
    struct Row {
        std::string block;
        bool active;
        bool enabled;
    };
    const Row rows[] = {
        {Block("\x02", "h", "u", "p"), true, true},
        {Block("\x02", "h", "u", ""), true, false},       // no password: no periodic check
        {Block("\x01", "h", "u", "p"), false, false},     // inactive with a password
        {Block("\x02\x02", "h", "u", "p"), false, false}, // a marker of two bytes
        {Block("", "h", "u", "p"), false, false},
        {Block("\x03", "h", "u", "p"), false, false},
    };
    for (const Row& row : rows) {
        const SettingsValues v = DecodeSettings("0,0,1,1," + row.block, Before());
        EXPECT_EQ(v.accounts[0].active, row.active);
        EXPECT_EQ(v.mailCheckEnabled, row.enabled);
        EXPECT_EQ(v.accounts[0].server.Text(), "h");
    }
}

TEST(SettingsCodecTest, ABlockCutShortKeepsWhatItHolds) {
    SettingsValues v = Before();
    v.accounts[1].server = "kept";
    v = DecodeSettings("0,0,1,1," + ScrambleText("\x02") + "\r" + ScrambleText("host") + "\r" +
                           ScrambleText("us"),
                       v);
    EXPECT_EQ(v.accounts[0], (AccountRecord{"host", "", "", true}));
    EXPECT_EQ(v.accounts[1].server.Text(), "kept")
        << "no carriage return left: the account keeps its values";
}

TEST(SettingsCodecTest, ReadersConsumeTheirField) {
    std::string_view rest = "12,x\r";
    EXPECT_EQ(ReadNumber(rest), 12);
    EXPECT_EQ(rest, "x\r");
    EXPECT_EQ(ReadNumber(rest), 0);
    EXPECT_EQ(rest, "x\r") << "no comma: nothing removed";
    EXPECT_EQ(ReadField(rest), ScrambleText("x"));
    EXPECT_EQ(rest, "");
    EXPECT_EQ(ReadField(rest), "");
}

class DiskFileTest : public ::testing::Test {
  protected:
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("kestrel-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::path file = dir / "kestrel.ini";
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(DiskFileTest, NoFileReadsAsNothing) {
    EXPECT_EQ(DiskSettingsFile(file).Read(), std::nullopt);
}

TEST_F(DiskFileTest, WritesReplaceTheFileWholeAndLeaveNothingBeside) {
    DiskSettingsFile disk(file);
    std::string big(600, '\xAA');
    big[100] = '\0'; // the file keeps every byte; the decoder decides where the text ends
    ASSERT_TRUE(disk.Write(big));
    ASSERT_TRUE(disk.Write("1,2,3,4,"));
    EXPECT_EQ(disk.Read(), "1,2,3,4,");
    ASSERT_TRUE(disk.Write(big));
    EXPECT_EQ(disk.Read(), big);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(DiskFileTest, AFileThatCannotBeMadeBesideIsWrittenInPlace) {
    DiskSettingsFile disk(file);
    ASSERT_TRUE(disk.Write("old,"));
    std::filesystem::create_directory(dir / "kestrel.ini.new"); // in the way of the rename
    EXPECT_TRUE(disk.Write("new,"));
    EXPECT_EQ(disk.Read(), "new,");
}

TEST_F(DiskFileTest, ALinkedFileIsWrittenWhereTheLinkPoints) {
    const std::filesystem::path real = dir / "real.ini";
    DiskSettingsFile(real).Write("old,");
    std::error_code error;
    std::filesystem::create_symlink("real.ini", file, error);
    if (error)
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    DiskSettingsFile disk(file);
    EXPECT_EQ(disk.Read(), "old,");
    ASSERT_TRUE(disk.Write("new,"));
    EXPECT_TRUE(std::filesystem::is_symlink(file)) << "the link stays a link";
    EXPECT_EQ(DiskSettingsFile(real).Read(), "new,");
}

TEST_F(DiskFileTest, AnOriginalToKeepIsCopiedBesideItNeverOverAnOlderCopy) {
    std::ofstream(file, std::ios::binary) << "first,";
    for (const char* copy : {"kestrel.ini.bak", "kestrel.ini.bak2"}) {
        DiskSettingsFile disk(file);
        const std::optional<std::string> original = disk.Read();
        disk.KeepOriginal();
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(disk.Write("1,2,3,4,"));
        ASSERT_TRUE(disk.Write("5,6,7,8,")) << "one copy per run, before the first write";
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find((dir / copy).string()), std::string::npos) << said;
        EXPECT_EQ(DiskSettingsFile(dir / copy).Read(), original) << copy;
        EXPECT_EQ(DiskSettingsFile(file).Read(), "5,6,7,8,");
#ifndef _WIN32
        EXPECT_EQ(std::filesystem::status(dir / copy).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif
    }
    EXPECT_EQ(DiskSettingsFile(dir / "kestrel.ini.bak").Read(), "first,");
}

// Whatever stands where the file should be, other than a file kestrel can read and write back,
// is neither read nor written, and reading it neither blocks nor fills the memory.
TEST_F(DiskFileTest, WhatIsNoSmallRegularFileIsLeftAlone) {
    const std::string huge(DiskSettingsFile::MostBytes + 1, '7');
    const struct {
        const char* name;
        std::function<bool()> make; // false: cannot be made here
        std::function<bool()> unchanged;
    } rows[] = {
        {"a folder", [&] { return std::filesystem::create_directory(file); },
         [&] { return std::filesystem::is_directory(file); }},
        {"a file larger than any settings",
         [&] { return static_cast<bool>(std::ofstream(file, std::ios::binary) << huge); },
         [&] { return std::filesystem::file_size(file) == huge.size(); }},
#ifndef _WIN32
        {"a pipe", [&] { return ::mkfifo(file.c_str(), 0600) == 0; },
         [&] { return std::filesystem::is_fifo(file); }},
        {"a link to an endless device",
         [&] {
             std::error_code error;
             std::filesystem::create_symlink("/dev/zero", file, error);
             return !error;
         },
         [&] { return std::filesystem::is_symlink(file); }},
#endif
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(file);
        ASSERT_TRUE(row.make());
        // A read that blocks fails the row instead of holding the test.
        auto done = std::make_shared<std::promise<bool>>();
        std::future<bool> left = done->get_future();
        std::thread([done, path = file] {
            DiskSettingsFile disk(path);
            const bool nothing = !disk.Read();
            disk.KeepOriginal();
            done->set_value(nothing && !disk.Write("1,2,3,4,"));
        }).detach();
        ASSERT_EQ(left.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        EXPECT_TRUE(left.get()) << "read as nothing and never written";
        EXPECT_TRUE(row.unchanged());
        EXPECT_FALSE(std::filesystem::exists(dir / "kestrel.ini.bak"));
    }
}

#ifndef _WIN32
// Runs the step in a child process as the user nobody, whose rights the file modes decide (as
// root every file is writable); true when the step returned true there.
bool AsOrdinaryUser(const std::function<bool()>& step) {
    if (::geteuid() != 0)
        return step();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && step();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

using std::filesystem::perms;

TEST_F(DiskFileTest, TheFileIsForItsOwnerOnly) {
    ASSERT_TRUE(DiskSettingsFile(file).Write("1,2,3,4,"));
    EXPECT_EQ(std::filesystem::status(file).permissions() & perms::all,
              perms::owner_read | perms::owner_write);
}

TEST_F(DiskFileTest, AReadOnlyFileSurvivesTheRunUntouched) {
    DiskSettingsFile(file).Write("kept,");
    std::filesystem::permissions(dir, perms::all); // the rename itself would be allowed
    std::filesystem::permissions(file, perms::owner_read | perms::group_read | perms::others_read);
    EXPECT_TRUE(AsOrdinaryUser([&] {
        DiskSettingsFile disk(file);
        return !disk.Read() && !disk.Write("1,2,3,4,") && !disk.Write("again,");
    }));
    EXPECT_EQ(DiskSettingsFile(file).Read(), "kept,");
    EXPECT_EQ(std::filesystem::status(file).permissions() & perms::all,
              perms::owner_read | perms::group_read | perms::others_read);
}

// Others may write the file but make nothing in its folder.
void OnlyTheOwnerMakesFilesIn(const std::filesystem::path& dir, const std::filesystem::path& file) {
    std::filesystem::permissions(file, perms::all & ~perms::owner_exec);
    std::filesystem::permissions(dir, perms::owner_all | perms::group_read | perms::group_exec |
                                          perms::others_read | perms::others_exec);
}

TEST_F(DiskFileTest, AFolderThatCannotTakeANewFileGetsTheFileWrittenInPlace) {
    DiskSettingsFile(file).Write("old,");
    OnlyTheOwnerMakesFilesIn(dir, file);
    EXPECT_TRUE(AsOrdinaryUser([&] {
        DiskSettingsFile disk(file);
        return disk.Read() == "old," && disk.Write("new,");
    }));
    EXPECT_EQ(DiskSettingsFile(file).Read(), "new,");
}

TEST_F(DiskFileTest, AnOriginalThatCannotBeCopiedIsNotReplaced) {
    DiskSettingsFile(file).Write("old,");
    OnlyTheOwnerMakesFilesIn(dir, file);
    EXPECT_TRUE(AsOrdinaryUser([&] {
        DiskSettingsFile disk(file);
        const bool read = disk.Read() == "old,";
        disk.KeepOriginal();
        return read && !disk.Write("new,") && !disk.Write("again,");
    }));
    EXPECT_EQ(DiskSettingsFile(file).Read(), "old,");
}
#endif

// What editors do to a file: the fields end in line feeds, a line break follows the header.
// Such a file reads as kestrel wrote it.
TEST(SettingsCodecTest, EditedLineEndsReadAsWritten) {
    SettingsValues v = Before();
    v.windowLeft = -40;
    v.accounts[0] = {"pop.example.org", "alice", "secret", true};
    v.accounts[2] = {"10.0.0.1:995", "bob", "", false};
    v.mailCheckEnabled = true;
    const std::string written = EncodeSettings(v);
    const size_t header = written.find('\xFD');
    std::string lineFeeds = written;
    std::replace(lineFeeds.begin(), lineFeeds.end(), '\r', '\n');
    const struct {
        const char* name;
        std::string text;
    } rows[] = {
        {"line feeds", lineFeeds},
        {"line feeds and one after the header",
         lineFeeds.substr(0, header) + "\n" + lineFeeds.substr(header)},
        {"CR LF after the header", written.substr(0, header) + "\r\n" + written.substr(header)},
        {"LF after the header", written.substr(0, header) + "\n" + written.substr(header)},
        {"a final line feed", lineFeeds + "\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DecodeSettings(row.text, Before()), v);
    }
}

TEST(SettingsCodecTest, LongFieldsAreCutToWhatTheFormTakes) {
    const std::string digits(1 << 20, '7');
    const std::string text = "1,2,3,4," + Block("\x02", digits, std::string(60, 'u'), "pw") +
                             Block("\x01", "h", "u", std::string(50, 'p'));
    const SettingsValues v = DecodeSettings(text, Before());
    EXPECT_EQ(v.accounts[0].server.Text(), std::string(50, '7'));
    EXPECT_EQ(v.accounts[0].user, std::string(50, 'u'));
    EXPECT_EQ(v.accounts[0].password, "pw");
    EXPECT_EQ(v.accounts[1].password, std::string(50, 'p')) << "fifty bytes are kept whole";
    EXPECT_TRUE(v.accounts[0].active);
}

// The shell with its settings.

TEST_F(ShellTest, AStartWithoutAFileIsAFirstStartAndTheExitWritesTheFile) {
    Start();
    Click(OkButtonId);
    Menu(CmdExit);
    const int w = Screen().width, h = Screen().height;
    EXPECT_EQ(settings.content, std::to_string(w - 100) + "," + std::to_string(h - 98) + ",100,0," +
                                    Block("\x01", "", "", "") + Block("\x01", "", "", "") +
                                    Block("\x01", "", "", ""));
}

TEST_F(ShellTest, StoredValuesComeBack) {
    settings.content = "300,200,1,2," + Block("\x02", "127.0.0.1", "alice", "pw");
    Start();
    EXPECT_EQ(desk.rect, (Rect{300, 200, 100, 63}));
    EXPECT_EQ(app->Throughput().SpeedStep(), 2);
    EXPECT_EQ(app->Throughput().Scale().in, 10666u);
    EXPECT_TRUE(app->Mail().PeriodicCheck());
    EXPECT_EQ(desk.control(HostEdit).text, "127.0.0.1") << "account 1 fills the form";
    EXPECT_TRUE(desk.control(ActiveCheck).checked);
    Menu(CmdConfigKestrel);
    EXPECT_EQ(desk.control(SpeedList).selection, 1);
    EXPECT_EQ(desk.control(InterfaceList).selection, -1) << "the table has no row 1";
}

TEST_F(ShellTest, AnInterfaceNumberAbove100StartsNeitherTimerNorPanel) {
    settings.content = "300,200,101,2,";
    Start();
    EXPECT_EQ(desk.rect.width, 100);
    EXPECT_EQ(app->Panel(), PanelState::Compact);
    EXPECT_FALSE(desk.timer.has_value());
}

TEST_F(ShellTest, AWindowStoredOffEveryScreenIsShownButItsPositionKept) {
    settings.content = "5000,-900,1,1,";
    Start();
    const int w = Screen().width, h = Screen().height;
    EXPECT_EQ(desk.rect, (Rect{w - 100, h - 98, 100, 63}));
    Menu(CmdExit);
    EXPECT_TRUE(settings.content->starts_with("5000,-900,1,1,")) << *settings.content;
}

TEST_F(ShellTest, AMovedWindowStoresWhereItWasMovedEvenAfterADisplacedStart) {
    settings.content = "5000,-900,1,1,";
    Start();
    desk.Drag({10, 20});
    Menu(CmdExit);
    EXPECT_TRUE(settings.content->starts_with("10,20,1,1,")) << *settings.content;
}

TEST_F(ShellTest, AWindowPartlyOnScreenStaysWhereItWasStored) {
    settings.content = "-60,-30,1,1,";
    Start();
    EXPECT_EQ(desk.rect, (Rect{-60, -30, 100, 63}));
}

// A file the exit would not write back as it was read is kept before it is replaced; one that
// kestrel wrote is not.
TEST_F(ShellTest, AFileNotFullyUnderstoodIsKeptBeforeTheExitReplacesIt) {
    const std::string header = "300,200,1,2,";
    const std::string written = header + Block("\x02", "127.0.0.1", "alice", "pw") +
                                Block("\x01", "", "", "") + Block("\x01", "h", "u", "p");
    std::string lineFeeds = written, utf16;
    std::replace(lineFeeds.begin(), lineFeeds.end(), '\r', '\n');
    for (char c : written)
        utf16 += std::string{c, '\0'};
    const struct {
        const char* name;
        std::string file;
        bool kept;
    } rows[] = {
        {"written by kestrel", written, false},
        {"line feeds", lineFeeds, true},
        {"a zero byte first", '\0' + written, true},
        {"UTF-16", "\xFF\xFE" + utf16, true},
        {"a field too long", header + Block("\x02", std::string(51, 'h'), "u", "p"), true},
        {"a fourth account", written + Block("\x02", "four", "u", "p"), true},
        {"the header only", header, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        settings = FakeSettingsFile{};
        settings.content = row.file;
        Start();
        Menu(CmdExit);
        EXPECT_EQ(settings.kept, row.kept ? std::optional(row.file) : std::nullopt);
        if (row.kept) {
            EXPECT_NE(settings.content, row.file);
        }
        EXPECT_EQ(settings.writes, 1);
    }
}

TEST_F(ShellTest, TheAccountFormTakesEveryCharacterAndTheFileKeepsIt) {
    StartCompact();
    Menu(CmdConfigMail);
    desk.UserTypes(UserEdit, "jòrg Иван 🔑");
    Click(OkButtonId);
    EXPECT_EQ(app->Mail().Accounts()[0].user, "jòrg Иван 🔑");
    Menu(CmdExit);
    ASSERT_TRUE(settings.content);
    EXPECT_EQ(DecodeSettings(*settings.content, Before()).accounts[0].user, "jòrg Иван 🔑");
}

} // namespace
} // namespace kestrel::testing
