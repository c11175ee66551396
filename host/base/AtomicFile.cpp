#include "host/base/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/vcl/SysUtils.h"

namespace zorbase {

namespace {

[[noreturn]] void Fail(const char* what, const std::string& path, int err) {
    throw vcl::EInOutError(std::string("Cannot ") + what + " " + path + ": " + std::strerror(err));
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        Fail("read", path, errno);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            Fail("read", path, err);
        }
        bytes.append(buffer, size_t(n));
    }
    ::close(fd);
    return bytes;
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
    static std::atomic<unsigned> serial{0};
    mode_t mode = 0666;
    struct stat existing;
    const bool replacing = ::stat(path.c_str(), &existing) == 0;
    if (replacing) mode = existing.st_mode & 07777;

    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) Fail("write", path, errno);

    auto abandon = [&](int err) {
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        Fail("write", path, err);
    };
    if (replacing) (void)::fchmod(fd, mode);
    for (size_t done = 0; done < content.size();) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            abandon(errno);
        }
        done += size_t(n);
    }
    if (::fsync(fd) != 0) abandon(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) abandon(errno);
    if (::rename(tmp.c_str(), path.c_str()) != 0) abandon(errno);

    // Make the rename itself durable; the data is safe already, so a failure is no error.
    const int dfd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
}

}  // namespace zorbase
