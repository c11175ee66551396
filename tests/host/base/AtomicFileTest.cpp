#include "host/base/AtomicFile.h"
#include "host/vcl/SysUtils.h"
#include "tests/host/base/BaseTestDir.h"
#include "tests/support/TestSupport.h"

#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zorbase;
namespace fs = std::filesystem;

namespace {

using AtomicFileTest = BaseTestDir;

using testsupport::Has;

// The message of the EInOutError fn raises, or "no error".
std::string ErrorOf(const std::function<void()>& fn) { return testsupport::ErrorOf<vcl::EInOutError>(fn); }

// Runs fn in a child process: its result, or -1 when it has not ended within 5 s (and is killed).
int InChild(const std::function<int()>& fn) {
    const pid_t child = ::fork();
    if (child == 0) {
        int result = 99;
        try {
            result = fn();
        } catch (...) {
        }
        ::_exit(result);
    }
    for (int i = 0; i < 500; ++i) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        ::usleep(10000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -1;
}

unsigned Mode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST_F(AtomicFileTest, ReadRefusesAtOnceWhatIsNotARegularFile) {
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", Path("sock").c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::pair<std::string, std::string> cases[] = {
        {dir_, "it is a directory"}, {Path("pipe"), "FIFO"}, {Path("sock"), "socket"}, {"/dev/zero", "device"}};
    for (const auto& [path, why] : cases) {
        // A child, so that a read that waits forever or grows without end fails the test only.
        const int result = InChild([&] {
            const std::string error = ErrorOf([&] { ReadWholeFile(path); });
            return Has(error, why) && Has(error, path) ? 0 : 1;
        });
        EXPECT_EQ(result, 0) << path;
    }
    ::close(sock);

    Put(Path("Form.dfm"), std::string(100, 'x'));
    EXPECT_TRUE(Has(ErrorOf([&] { ReadWholeFile(Path("Form.dfm"), nullptr, 99); }), "limit of 99 bytes"));
    EXPECT_EQ(ReadWholeFile(Path("Form.dfm"), nullptr, 100)->size(), 100u);
    // A file that says it has no bytes and gives some (as the kernel's own do) is read whole,
    // and one that gives more than the limit is refused.
    const std::string maps = *ReadWholeFile("/proc/self/maps");
    EXPECT_GT(maps.size(), 4096u);
    EXPECT_NE(maps.find("[stack]"), std::string::npos);
    EXPECT_TRUE(Has(ErrorOf([&] { ReadWholeFile("/proc/self/maps", nullptr, 1000); }), "grew beyond the limit of"));

    FileStamp stamp;
    stamp.exists = true;
    EXPECT_EQ(ReadWholeFile(Path("none.dfm"), &stamp), std::nullopt);
    EXPECT_EQ(stamp, FileStamp{});
    EXPECT_EQ(StampOf(Path("none.dfm")), FileStamp{});
}

TEST_F(AtomicFileTest, LinksAreFollowedToTheTargetWhichIsReplacedInItsOwnFolder) {
    fs::create_directories(Path("real/deep"));
    Put(Path("real/deep/Form.dfm"), "old");
    ASSERT_EQ(::chmod(Path("real/deep/Form.dfm").c_str(), 0640), 0);
    fs::create_symlink("deep/Form.dfm", Path("real/hop"));  // relative to the link's folder
    fs::create_symlink("real/hop", Path("Form.dfm"));
    FileStamp stamp;
    ASSERT_EQ(ReadWholeFile(Path("Form.dfm"), &stamp), "old");
    WriteFileAtomically(Path("Form.dfm"), "new", &stamp);
    EXPECT_TRUE(fs::is_symlink(Path("Form.dfm")));
    EXPECT_TRUE(fs::is_symlink(Path("real/hop")));
    EXPECT_EQ(Get(Path("real/deep/Form.dfm")), "new");
    EXPECT_EQ(Mode(Path("real/deep/Form.dfm")), 0640u);
    EXPECT_EQ(stamp, StampOf(Path("real/deep/Form.dfm")));
    EXPECT_EQ(Entries(), 2);  // the link and the folder: no temporary beside the link
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("real/deep")), fs::directory_iterator()), 1);

    fs::create_symlink("made/New.dfm", Path("dangling"));  // a new file where the link points
    fs::create_directory(Path("made"));
    WriteFileAtomically(Path("dangling"), "x");
    EXPECT_TRUE(fs::is_symlink(Path("dangling")));
    EXPECT_EQ(Get(Path("made/New.dfm")), "x");

    fs::create_symlink("loop2", Path("loop1"));
    fs::create_symlink("loop1", Path("loop2"));
    EXPECT_TRUE(Has(ErrorOf([&] { WriteFileAtomically(Path("loop1"), "x"); }), "loop1"));
    EXPECT_TRUE(fs::is_symlink(Path("loop1")));
}

TEST_F(AtomicFileTest, AFileChangedSinceItWasReadIsNeverOverwritten) {
    const std::string form = Path("Form.dfm");
    Put(form, "original");
    FileStamp stamp;
    ReadWholeFile(form, &stamp);
    EXPECT_EQ(stamp, StampOf(form));
    Put(form, "their change");
    const std::string changed = ErrorOf([&] { WriteFileAtomically(form, "ours", &stamp); });
    EXPECT_TRUE(Has(changed, "was changed by another program since it was read; not saved")) << changed;
    EXPECT_EQ(Get(form), "their change");

    ReadWholeFile(form, &stamp);
    WriteFileAtomically(form, "ours", &stamp);
    WriteFileAtomically(form, "ours again", &stamp);  // the stamp follows our own saves
    EXPECT_EQ(Get(form), "ours again");

    fs::remove(form);
    EXPECT_TRUE(Has(ErrorOf([&] { WriteFileAtomically(form, "x", &stamp); }), "was removed"));
    EXPECT_FALSE(fs::exists(form));

    // Missing when read, there when saved: someone else made it.
    ReadWholeFile(form, &stamp);
    Put(form, "theirs");
    EXPECT_TRUE(Has(ErrorOf([&] { WriteFileAtomically(form, "ours", &stamp); }), "was changed"));
    EXPECT_EQ(Get(form), "theirs");
    EXPECT_EQ(Entries(), 1);
}

// Every process reads the same file, waits until all have, then saves: exactly one may succeed.
// The start signal is the end of a pipe only the parent holds open, so no process can wait
// forever, whatever fails.
TEST_F(AtomicFileTest, OfConcurrentSavesOfOneReadExactlyOneSucceeds) {
    constexpr int kWriters = 4;
    const std::string form = Path("Form.dfm");
    for (int round = 0; round < 10; ++round) {
        Put(form, "round " + std::to_string(round));
        int ready[2], go[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(go), 0);
        pid_t children[kWriters];
        for (int c = 0; c < kWriters; ++c) {
            children[c] = ::fork();
            if (children[c] != 0) continue;
            ::close(ready[0]);
            ::close(go[1]);
            FileStamp stamp;
            ReadWholeFile(form, &stamp);
            char byte = 0;
            if (::write(ready[1], &byte, 1) != 1 || ::read(go[0], &byte, 1) != 0) ::_exit(9);
            try {
                WriteFileAtomically(form, "writer " + std::to_string(c) + std::string(size_t(c) * 1000, '.'), &stamp);
            } catch (const vcl::EInOutError& e) {
                ::_exit(Has(e.what(), "was changed") ? 1 : 8);
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(go[0]);
        char byte;
        for (int n = 0; n < kWriters && ::read(ready[0], &byte, 1) == 1; ++n) {
        }
        ::close(go[1]);  // all have read: go
        ::close(ready[0]);
        int winners = 0, winner = -1;
        for (int c = 0; c < kWriters; ++c) {
            int status = -1;
            if (children[c] > 0) ::waitpid(children[c], &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << status;
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0) ++winners, winner = c;
        }
        ASSERT_EQ(winners, 1) << "round " << round;
        EXPECT_EQ(Get(form).substr(0, 8), "writer " + std::to_string(winner));
        EXPECT_EQ(Entries(), 1);
    }
}

TEST_F(AtomicFileTest, ReadOnlyAndNonRegularTargetsAreRefusedAndModesKept) {
    const std::string form = Path("Form.dfm");
    Put(form, "keep");
    ASSERT_EQ(::chmod(form.c_str(), 0444), 0);
    EXPECT_TRUE(Has(ErrorOf([&] { WriteFileAtomically(form, "x"); }), "read-only"));
    EXPECT_EQ(Get(form), "keep");
    ASSERT_EQ(::chmod(form.c_str(), 0604), 0);
    WriteFileAtomically(form, "x");
    EXPECT_EQ(Mode(form), 0604u);

    const mode_t mask = ::umask(022);
    WriteFileAtomically(Path("New.dfm"), "x");
    ::umask(mask);
    EXPECT_EQ(Mode(Path("New.dfm")), 0644u);

    fs::create_directory(Path("taken"));
    EXPECT_TRUE(Has(ErrorOf([&] { WriteFileAtomically(Path("taken"), "x"); }), "it is a directory"));
    EXPECT_TRUE(fs::is_directory(Path("taken")));
    EXPECT_EQ(Entries(), 3);
}

TEST_F(AtomicFileTest, TemporariesOfDeadProcessesAreRemovedByTheNextSave) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string stale = ".Form.dfm.tavrinqa-" + std::to_string(dead) + "-3.tmp";
    const std::string alive = ".Other.dfm.tavrinqa-" + std::to_string(::getppid()) + "-0.tmp";
    const std::string shown = "x.tavrinqa-" + std::to_string(dead) + "-1.tmp";  // not hidden: not ours
    for (const std::string& name : {stale, alive, shown, std::string(".notes.tmp")})
        Put(Path(name), "left");
    WriteFileAtomically(Path("Form.dfm"), "x");
    EXPECT_FALSE(fs::exists(Path(stale)));
    EXPECT_TRUE(fs::exists(Path(alive)));
    EXPECT_TRUE(fs::exists(Path(".notes.tmp")));
    EXPECT_TRUE(fs::exists(Path(shown)));
    EXPECT_EQ(Entries(), 4);
}

// A file size limit makes the temporary's write fail, even for root.
TEST_F(AtomicFileTest, AFailedWriteCarriesTheReasonAndLeavesNoTemporary) {
    const std::string form = Path("Form.dfm");
    Put(form, std::string(8192, 'o'));
    const int result = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string error = ErrorOf([&] { WriteFileAtomically(form, std::string(8192, 'n')); });
        return Has(error, std::strerror(EFBIG)) ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Get(form), std::string(8192, 'o'));
    EXPECT_EQ(Entries(), 1);
}

TEST_F(AtomicFileTest, AnEditThatKeepsSizeAndTimeIsRefusedByTheBytesRead) {
    const std::string path = Path("Form1.dfm");
    Put(path, "object Form1: TForm1\nend\n");
    FileStamp stamp;
    const std::string read = *ReadWholeFile(path, &stamp);
    testsupport::EditKeepingStamp(path, "object Evil1: TForm1\nend\n");
    ASSERT_EQ(StampOf(path), stamp);  // the attack leaves nothing else to see
    EXPECT_TRUE(Has(ErrorOf([&] { WriteFileAtomically(path, "saved", &stamp, read); }),
                    "was changed by another program since it was read; not saved"));
    EXPECT_EQ(Get(path), "object Evil1: TForm1\nend\n");
    EXPECT_EQ(Entries(), 1);  // no temporary file left

    // Unchanged, it saves; the next save compares with what this one wrote.
    FileStamp again;
    const std::string now = *ReadWholeFile(path, &again);
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(path, "first save\n", &again, now); }), "no error");
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(path, "second save\n", &again, std::string_view("first save\n")); }),
              "no error");
    testsupport::EditKeepingStamp(path, "SECOND SAVE\n");
    EXPECT_TRUE(Has(ErrorOf([&] { WriteFileAtomically(path, "third\n", &again, std::string_view("second save\n")); }),
                    "was changed"));
    // A file that grew or shrank behind the same stamp is no match either.
    EXPECT_TRUE(Has(ErrorOf([&] { WriteFileAtomically(path, "x", &again, std::string_view("SECOND SAVE")); }), "was changed"));
    EXPECT_TRUE(Has(ErrorOf([&] { WriteFileAtomically(path, "x", &again, std::string_view("SECOND SAVE\n!")); }),
                    "was changed"));
    EXPECT_EQ(Get(path), "SECOND SAVE\n");
}

// An output made in pieces: nothing of it shows until Commit, a writer that goes uncommitted
// (the conversion failed half-way) leaves the old file and no temporary, and a size patched in
// at the end lands where it was left.
TEST_F(AtomicFileTest, APieceByPieceWriteShowsOnlyWhenCommitted) {
    const std::string out = Path("Out.dfm");
    Put(out, "old");
    for (const bool commit : {false, true}) {
        AtomicFileWriter writer(out);
        writer.Write("abc");
        writer.Write("????ghi");
        EXPECT_THROW(writer.Overwrite(8, "xyz"), std::logic_error);  // beyond what was written
        writer.Overwrite(3, "def");
        EXPECT_EQ(Get(out), "old");
        if (!commit) continue;
        writer.Commit();
        EXPECT_THROW(writer.Commit(), std::logic_error);
    }
    EXPECT_EQ(Get(out), "abcdef?ghi");
    EXPECT_EQ(Entries(), 1);
}
