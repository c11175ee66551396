#include "host/base/Zorifile.h"
#include "host/vcl/SysUtils.h"
#include "tests/host/base/BaseTestDir.h"

#include <random>
#include <sys/stat.h>
#include <sys/wait.h>

using zorbase::tinifile;

namespace {

class ZorifileTest : public BaseTestDir {
protected:
    void SetUp() override {
        BaseTestDir::SetUp();
        zorbase::SetSettingsWarningStream(&warnings_);
    }
    void TearDown() override {
        zorbase::SetSettingsWarningStream(nullptr);
        BaseTestDir::TearDown();
    }
    std::string ini() const { return Path("qa.ini"); }
    // Warning lines so far, and how many of them contain part.
    int Warned(const std::string& part) const {
        int n = 0;
        std::istringstream lines(warnings_.str());
        for (std::string line; std::getline(lines, line);)
            n += line.rfind("tavrinqa: warning: ", 0) == 0 && line.find(part) != std::string::npos;
        return n;
    }
    std::ostringstream warnings_;
};

std::string Col(int i) { return "Col " + std::to_string(i); }

// How a grid saves itself: window keys, then columns from last to first.
void SaveGrid(tinifile& f, int columns, int base) {
    f.WriteInteger("Grid", "Window Left", base);
    f.WriteInteger("Grid", "Window Top", base + 1);
    for (int i = columns - 1; i >= 0; --i) f.WriteInteger("Grid", Col(i), base + 10 + i);
}

}  // namespace

TEST_F(ZorifileTest, ConcurrentProcessesLoseNoUpdateAndNeverTearTheFile) {
    constexpr int kRounds = 100;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        ASSERT_GE(children[c] = ::fork(), 0);
        if (children[c] == 0) {
            try {
                tinifile f(ini());
                for (int r = 1; r <= kRounds; ++r) f.WriteInteger("Shared", Col(c), r);
            } catch (...) { ::_exit(1); }
            ::_exit(0);
        }
    }
    // A lost update or a half-written file would show a value going back.
    const tinifile reader(ini());
    int seen[2] = {}, status[2] = {-1, -1}, wentBack = 0;
    for (bool done[2] = {false, false}; !done[0] || !done[1];)
        for (int c = 0; c < 2; ++c) {
            if (!done[c]) done[c] = ::waitpid(children[c], &status[c], WNOHANG) == children[c];
            const int v = reader.ReadInteger("Shared", Col(c), 0);
            wentBack += v < seen[c];
            seen[c] = v;
        }
    EXPECT_EQ(wentBack, 0);
    for (int c = 0; c < 2; ++c) {
        EXPECT_TRUE(WIFEXITED(status[c]) && WEXITSTATUS(status[c]) == 0);
        EXPECT_EQ(reader.ReadInteger("Shared", Col(c), 0), kRounds);
    }
}

TEST_F(ZorifileTest, DamagedFilesReadWithoutCrashOrGarbage) {
    const std::pair<std::string, int> cases[] = {
        {"junk\nA=9\n[S]\nno equals\nA=1\n", 1},
        {"[S]\nA=12abc\n", -1},
        {"[S]\nA=\n", -1},
        {"[S]\nA=0x10\n", -1},
        {"[S]\nA= +17 \t\n", 17},
        {"[S]\nA=-2147483648\n", INT32_MIN},
        {"[S]\nA=2147483648\n", -1},
        {"[S]\r\nA = 5\r\n", 5},
        {"\xEF\xBB\xBF[S]\nA=6\n", 6},
        {std::string("[S]\nB=\0\nA=7\n", 12), 7},
        {"[S]\n" + std::string(1 << 18, 'k') + "\nX=" + std::string(1 << 18, '7') + "\nA=8\n", 8},
        {"[S]\nA=1\n[s]\nA=3\n", 1},
        {"[S\nA=1\n", -1},
        {"[ S ] trailing\n; A=4\nA=8", 8},
    };
    for (const auto& [text, expected] : cases) {
        Put(ini(), text);
        EXPECT_EQ(tinifile(ini()).ReadInteger("S", "A", -1), expected) << text.substr(0, 40);
    }
}

TEST_F(ZorifileTest, RewritingKeepsEveryByteButTheChangedValue) {
    const std::string text =
        "\xEF\xBB\xBF; by hand\r\njunk\r\n[S]\r\n# note\r\n  Key One =  12\r\nbroken\r\nkey one=9\r\n[T]\r\n[s]\r\nC=4\r\nZ=0";
    Put(ini(), text);
    tinifile f(ini());
    EXPECT_EQ(f.get_line("S", 1), "");  // the shadowed duplicate is no entry
    EXPECT_EQ(f.ReadInteger("S", "C", -1), -1);  // nor is a second [S] block read
    f.WriteInteger("s", "key one", -3);
    f.WriteInteger("T", "New", 1);
    f.WriteInteger("U", "Q", 2);
    std::string expected = text;
    expected.replace(expected.find("12"), 2, "-3");
    expected.replace(expected.find("[T]\r\n"), 5, "[T]\r\nNew=1\r\n");
    EXPECT_EQ(Get(ini()), expected + "\r\n\r\n[U]\r\nQ=2\r\n");
}

TEST_F(ZorifileTest, RandomBytesNeverCrashAndWritesReadBack) {
    std::mt19937 rng(12345);
    const char raw[] = "[]=;# \t\r\n\0AaBb19-+\xEF\xBB\xBF";
    for (int round = 0; round < 300; ++round) {
        std::string text(rng() % 200, ' ');
        for (char& ch : text) ch = raw[rng() % (sizeof raw - 1)];
        Put(ini(), text);
        tinifile f(ini());
        (void)f.get_line("a", int(rng() % 4));
        f.WriteInteger("A", "b", round);
        ASSERT_EQ(f.ReadInteger("A", "B", -1), round) << text;
    }
}

TEST_F(ZorifileTest, AnUpdateWritesOnceWhatSingleWritesWouldHave) {
    tinifile single(ini());
    single.WriteInteger("Before", "X", 1);
    SaveGrid(single, 3, 100);
    const std::string expected = Get(ini());
    std::filesystem::remove(ini());

    tinifile f(ini());
    const tinifile other(ini());
    {
        const tinifile::Update outer(f);
        f.WriteInteger("Before", "X", 1);
        {
            const tinifile::Update inner(f);
            SaveGrid(f, 3, 100);
        }
        EXPECT_FALSE(std::filesystem::exists(ini()));  // nothing reaches the disk before the end
        EXPECT_FALSE(other.sect_exist("Grid"));
        EXPECT_EQ(f.ReadInteger("Grid", "Col 1", 0), 111);  // its own writes are seen
        EXPECT_EQ(f.get_line("Grid", 2), Col(2));
    }
    EXPECT_EQ(Get(ini()), expected);
    EXPECT_EQ(warnings_.str(), "");
}

TEST_F(ZorifileTest, AReadingSeesOneVersionOfTheFileAndItsOwnWrites) {
    tinifile other(ini());
    SaveGrid(other, 2, 100);
    tinifile f(ini());
    {
        const tinifile::Reading outer(f);
        EXPECT_EQ(f.ReadInteger("Grid", "Col 0", 0), 110);
        SaveGrid(other, 3, 200);  // another program replaces the file meanwhile
        {
            const tinifile::Reading inner(f);
            EXPECT_EQ(f.ReadInteger("Grid", "Window Left", 0), 100);  // the same version throughout
            EXPECT_EQ(f.get_line("Grid", 2), "Window Top");  // the new version has "Col 2" there
        }
        EXPECT_EQ(f.ReadInteger("Grid", "Col 2", -1), -1);
        {
            const tinifile::Update update(f);
            f.WriteInteger("Mine", "X", 7);
            EXPECT_EQ(f.ReadInteger("Mine", "X", 0), 7);  // a write not yet on disk
            EXPECT_EQ(f.ReadInteger("Grid", "Col 2", -1), -1);
        }
        // Once its own write reached the disk, the file is read again: the other's values too.
        EXPECT_EQ(f.ReadInteger("Mine", "X", 0), 7);
        EXPECT_EQ(f.ReadInteger("Grid", "Col 2", -1), 212);
        SaveGrid(other, 1, 300);
        EXPECT_EQ(f.ReadInteger("Grid", "Window Left", 0), 200);
    }
    EXPECT_EQ(f.ReadInteger("Grid", "Window Left", 0), 300);  // the reading over, the disk again
    EXPECT_EQ(warnings_.str(), "");
}

TEST_F(ZorifileTest, UnusableSettingsAreWarnedOnceAndNeverRaise) {
    Put(ini(), "[S]\nA=1\n");
    tinifile f(ini());
    for (const char* key : {"", " A", "A=B", "[A", ";A", "A\nB"})
        EXPECT_NO_THROW(f.WriteInteger("S", key, 2)) << key;
    f.WriteInteger("S]", "A", 2);
    EXPECT_EQ(Warned("invalid key name"), 6);
    EXPECT_EQ(Warned("invalid section name 'S]'"), 1);
    EXPECT_EQ(Get(ini()), "[S]\nA=1\n");

    // A missing home: five writes, one warning, no folder made, defaults read.
    tinifile absent(Path("absent/qa.ini"));
    for (int i = 0; i < 5; ++i) absent.WriteInteger("S", "Window Left", i);
    EXPECT_EQ(absent.ReadInteger("S", "Window Left", -1), -1);
    EXPECT_EQ(Warned("No such file or directory"), 1);
    EXPECT_FALSE(std::filesystem::exists(Path("absent")));

    // Read-only, locked by another program past the wait, not a file: the file stays as it is.
    ASSERT_EQ(::chmod(ini().c_str(), 0444), 0);
    f.WriteInteger("S", "A", 3);
    f.WriteInteger("S", "A", 4);
    EXPECT_EQ(Warned("read-only"), 1);
    ASSERT_EQ(::chmod(ini().c_str(), 0644), 0);
    {
        const zorbase::FileLock held(ini() + ".lock", zorbase::kLockWait);
        f.SetLockWait(std::chrono::milliseconds(20));
        f.WriteInteger("S", "A", 5);
        EXPECT_EQ(Warned("held its lock"), 1);
    }
    EXPECT_EQ(f.ReadInteger("S", "A", -1), 1);
    std::filesystem::create_directory(Path("dir.ini"));
    tinifile dir(Path("dir.ini"));
    EXPECT_EQ(dir.ReadInteger("S", "A", -1), -1);
    dir.WriteInteger("S", "A", 1);
    EXPECT_EQ(Warned("it is a directory"), 1);  // one problem, read and written
    EXPECT_TRUE(std::filesystem::is_directory(Path("dir.ini")));
}
