#include "host/base/Zorifile.h"
#include "host/vcl/SysUtils.h"
#include "tests/host/base/BaseTestDir.h"

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>

using zorbase::tinifile;

namespace {

class ZorifileTest : public BaseTestDir {
protected:
    std::string ini() const { return Path("qa.ini"); }
};

std::string Col(int i) { return "Col " + std::to_string(i); }

// How a grid saves itself: window keys, then columns from last to first.
void SaveGrid(tinifile& f, int columns, int base) {
    f.WriteInteger("Grid", "Window Left", base);
    f.WriteInteger("Grid", "Window Top", base + 1);
    for (int i = columns - 1; i >= 0; --i) f.WriteInteger("Grid", Col(i), base + 10 + i);
}

}  // namespace

TEST_F(ZorifileTest, NewSectionPutsColumnIAtEntryI) {
    tinifile f(ini());
    SaveGrid(f, 4, 100);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f.get_line("grid", i), Col(i));
    EXPECT_EQ(f.get_line("Grid", 4), "Window Top");
    EXPECT_EQ(f.get_line("Grid", 6), "");
    EXPECT_EQ(f.get_line("Grid", -1), "");
}

TEST_F(ZorifileTest, RewritingAnExistingSectionOnlyChangesValues) {
    tinifile f(ini());
    f.WriteInteger("Before", "X", 1);
    SaveGrid(f, 3, 100);
    f.WriteInteger("After", "Y", 2);
    std::string expected = Get(ini());
    SaveGrid(f, 3, 500);
    for (int v : {100, 101, 110, 111, 112}) {
        const std::string old = "=" + std::to_string(v);
        expected.replace(expected.find(old), old.size(), "=" + std::to_string(v + 400));
    }
    EXPECT_EQ(Get(ini()), expected);
}

TEST_F(ZorifileTest, ObjectsOnOnePathShareTheDisk) {
    tinifile a(ini()), b(ini());
    EXPECT_FALSE(a.sect_exist("S"));
    EXPECT_EQ(a.ReadInteger("S", "A", 42), 42);
    EXPECT_FALSE(std::filesystem::exists(ini()));
    a.WriteInteger("S", "Window Left", -7);
    b.WriteInteger("S", "B", 2);
    a.WriteInteger("S", "Window Left", 3);
    EXPECT_EQ(b.ReadInteger("s", "WINDOW LEFT", 0), 3);
    EXPECT_EQ(tinifile(ini()).ReadInteger("S", "B", 0), 2);
}

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
        {"[S]\n" + std::string(1 << 20, 'k') + "\nX=" + std::string(1 << 20, '7') + "\nA=8\n", 8},
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

TEST_F(ZorifileTest, UnwritableNamesAndPlacesRaise) {
    Put(ini(), "[S]\nA=1\n");
    tinifile f(ini());
    for (const char* key : {"", " A", "A=B", "[A", ";A", "A\nB"})
        EXPECT_THROW(f.WriteInteger("S", key, 2), vcl::EInOutError) << key;
    EXPECT_THROW(f.WriteInteger("S]", "A", 2), vcl::EInOutError);
    EXPECT_EQ(Get(ini()), "[S]\nA=1\n");
    EXPECT_THROW(tinifile(Path("absent/qa.ini")).WriteInteger("S", "A", 1), vcl::EInOutError);
    EXPECT_FALSE(std::filesystem::exists(Path("absent")));
}

TEST_F(ZorifileTest, ReadOnlyDirectoryRaisesAndLeavesTheOriginal) {
    tinifile f(ini());
    f.WriteInteger("S", "A", 1);
    const std::string before = Get(ini());
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (std::ofstream(Path("probe"))) GTEST_SKIP() << "privileges ignore directory permissions here";
    EXPECT_THROW(f.WriteInteger("S", "A", 2), vcl::EInOutError);
    EXPECT_EQ(Get(ini()), before);
    EXPECT_EQ(Entries(), 2);  // the file and its lock file, no temporary
}

// A file size limit makes the temporary's write fail, even for root.
TEST_F(ZorifileTest, FailedWriteLeavesTheOriginalAndNoTemporary) {
    Put(ini(), "[S]\nBig=1\n; " + std::string(8192, 'x') + "\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            tinifile(ini()).WriteInteger("S", "Big", 2);
        } catch (const vcl::EInOutError&) { ::_exit(0); }
        ::_exit(1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(tinifile(ini()).ReadInteger("S", "Big", 0), 1);
    EXPECT_EQ(Entries(), 2);
}
