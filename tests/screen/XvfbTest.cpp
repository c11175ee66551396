// The program on a real X server (Xvfb), driven by xdotool as a person drives it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TestSupport.h"

namespace {

const std::string kExample = std::string(TAVRIN_SOURCE_DIR) + "/examples/Customer.dfm";

std::string Capture(const std::string& command) { return testsupport::RunShell(command, "/dev/null").out; }

// An X server of the test's own, on the first free display it finds.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 2);
            const std::string fd = std::to_string(fds[1]);
            // Without -noreset the server starts afresh whenever its last client leaves.
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0", "1024x768x24",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char buffer[32] = {};
        const ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
        notes_ = fds[0];  // kept open: the server may write its number again
        if (n > 0) display_ = ":" + std::string(buffer, size_t(n - (buffer[n - 1] == '\n' ? 1 : 0)));
    }
    ~VirtualDisplay() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (notes_ >= 0) close(notes_);
    }
    const std::string& Name() const { return display_; }

private:
    pid_t pid_ = -1;
    int notes_ = -1;
    std::string display_;
};

// tavrinqa on the display, in the background, for at most 20 seconds: its exit status (124
// when it had to be stopped).
std::future<int> RunOn(const std::string& display, const std::string& args, const std::string& home) {
    return std::async(std::launch::async, [=] {
        return testsupport::RunShell("env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=" + display + " TAVRINQA_HOME='" +
                                         home + "' timeout 20 '" + TAVRINQA_BINARY + "' " + args,
                                     home + "/stderr")
            .status;
    });
}

class OnXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        if (testsupport::RunShell("command -v Xvfb && command -v xdotool", "/dev/null").status != 0) GTEST_SKIP() << "Xvfb and xdotool are not installed";
        ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start";
        testsupport::WriteFile(dir.File("form.dfm"), testsupport::ReadFile(kExample));
        // The server names its display a moment before it takes connections.
        for (int i = 0; i < 100 && Xdo("getmouselocation 2>/dev/null").empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // xdotool on the test's display.
    std::string Xdo(const std::string& args) { return Capture("DISPLAY=" + display.Name() + " xdotool " + args); }
    // The window of the program, once it is shown.
    std::string Window() {
        for (int i = 0; i < 200; ++i) {
            std::string id = Xdo("search --onlyvisible --class tavrinqa 2>/dev/null");
            if (!id.empty()) return id.substr(0, id.find('\n'));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }

    VirtualDisplay display;
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(OnXvfb, CancelButtonLeavesTheFormAndOksAccessKeyAccepts) {
    const std::string original = testsupport::ReadFile(dir.File("form.dfm"));
    {
        auto run = RunOn(display.Name(), "tabs '" + dir.File("form.dfm") + "'", dir.Path());
        const std::string window = Window();
        ASSERT_FALSE(window.empty()) << testsupport::ReadFile(dir.File("stderr"));
        // CancelBtn at its design place: the bottom panel (41 high) of the 353-high client area.
        Xdo("mousemove --window " + window + " 104 332 click 1");
        EXPECT_EQ(run.get(), 0);
    }
    EXPECT_EQ(testsupport::ReadFile(dir.File("form.dfm")), original);
    {
        auto run = RunOn(display.Name(), "tabs '" + dir.File("form.dfm") + "'", dir.Path());
        const std::string window = Window();
        ASSERT_FALSE(window.empty());
        Xdo("key alt+o");  // OK's access key; the window has the focus
        EXPECT_EQ(run.get(), 0);
    }
    // The tab tool names the example's unnamed pages to show them; OK without an edit still
    // writes nothing.
    EXPECT_EQ(testsupport::ReadFile(dir.File("form.dfm")), original);
    EXPECT_NE(testsupport::ReadFile(dir.Path() + "/tavrinqa.ini").find("Window Width=420"), std::string::npos);
}
