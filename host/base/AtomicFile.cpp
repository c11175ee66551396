#include "host/base/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/vcl/LargePages.h"
#include "host/vcl/SysUtils.h"

namespace zorbase {

namespace {

constexpr size_t npos = std::string::npos;
constexpr std::string_view kTag = ".tavrinqa-";  // in the name of every temporary file of ours

std::string Quoted(const std::string& path) { return "'" + vcl::PrintableText(path) + "'"; }

// The path as the user gave it, and where a link led when that is elsewhere.
std::string Describe(const std::string& path, const std::string& target) {
    return target == path ? Quoted(path) : Quoted(path) + " (a link to " + Quoted(target) + ")";
}

[[noreturn]] void Fail(const char* what, const std::string& described, const std::string& reason) {
    throw vcl::EInOutError(std::string("Cannot ") + what + " " + described + ": " + reason);
}

[[noreturn]] void FailErrno(const char* what, const std::string& described, int err) {
    Fail(what, described, std::strerror(err));
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == npos ? path : path.substr(slash + 1);
}

FileStamp StampFrom(const struct stat& st) {
    return {true, uint64_t(st.st_dev), uint64_t(st.st_ino), uint64_t(st.st_size),
            int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Closes a descriptor (if any) when the scope ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

std::string SizeText(uint64_t bytes) {
    constexpr uint64_t kMiB = uint64_t(1) << 20;
    return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MiB" : std::to_string(bytes) + " bytes";
}

// Why a file of this kind cannot be read or replaced as a document; empty for a regular file.
std::string NotARegularFile(mode_t mode) {
    if (S_ISREG(mode)) return "";
    if (S_ISDIR(mode)) return "it is a directory";
    if (S_ISFIFO(mode)) return "it is a FIFO, not a regular file";
    if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a regular file";
    return "it is not a regular file";
}

void CheckReadable(const std::string& path, const struct stat& st, uint64_t maxSize) {
    if (const std::string why = NotARegularFile(st.st_mode); !why.empty()) Fail("read", Quoted(path), why);
    if (uint64_t(st.st_size) > maxSize)
        Fail("read", Quoted(path),
             "it is larger than the limit of " + SizeText(maxSize) + " (" + std::to_string(st.st_size) + " bytes)");
}

// 0 once the lock is held, ETIMEDOUT when another holder kept it longer than wait, or the
// system's reason.
int LockWithin(int fd, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(2);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return errno;
        if (std::chrono::steady_clock::now() >= deadline) return ETIMEDOUT;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

std::string LockTimeoutText(std::chrono::milliseconds wait) {
    return "another program has held its lock for " + std::to_string(wait.count()) + " ms";
}

// The process id in the name of one of our temporary files (".NAME.tavrinqa-PID-N.tmp").
std::optional<pid_t> TemporaryOwner(std::string_view name) {
    if (name.size() < 2 || name.front() != '.' || !name.ends_with(".tmp")) return std::nullopt;
    const size_t tag = name.rfind(kTag);
    if (tag == std::string_view::npos || tag == 0) return std::nullopt;
    const std::string_view ids = name.substr(tag + kTag.size(), name.size() - 4 - tag - kTag.size());
    const size_t dash = ids.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == ids.size()) return std::nullopt;
    long long pid = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i == dash) continue;
        if (ids[i] < '0' || ids[i] > '9') return std::nullopt;
        if (i < dash && (pid = pid * 10 + (ids[i] - '0')) > INT_MAX) return std::nullopt;
    }
    return pid > 0 ? std::optional<pid_t>(pid_t(pid)) : std::nullopt;
}

// Best effort: a folder we cannot list only keeps its litter. A process id that lives again
// in another process keeps its file until that one ends too.
void RemoveStaleTemporaries(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return;
    const pid_t self = ::getpid();
    while (const dirent* e = ::readdir(d)) {
        const std::optional<pid_t> owner = TemporaryOwner(e->d_name);
        if (!owner || *owner == self) continue;
        if (::kill(*owner, 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to signal
        (void)::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

// A temporary file beside the target; removed unless it was renamed into place.
struct Temporary {
    std::string path;
    int fd = -1;
    bool placed = false;

    Temporary(const std::string& dir, const std::string& name, mode_t mode, const std::string& described) {
        static std::atomic<unsigned> serial{0};
        // Room for the tag within the 255 bytes a name may have.
        const std::string prefix = dir + "/." + name.substr(0, 200) + std::string(kTag) +
                                   std::to_string(::getpid()) + "-";
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            path = prefix + std::to_string(serial++) + ".tmp";
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) {
            const int err = errno;
            path.clear();
            Fail("write", described, "cannot create a temporary file in " + Quoted(dir) + ": " + std::strerror(err));
        }
    }
    ~Temporary() {
        if (fd >= 0) ::close(fd);
        if (!placed && !path.empty()) ::unlink(path.c_str());
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
};

[[noreturn]] void FailChanged(const std::string& described, const FileStamp& now) {
    throw vcl::EInOutError(described + (now.exists ? " was changed" : " was removed") +
                           " by another program since it was read; not saved");
}

// Whether the file the stamp describes still holds exactly these bytes. Size and time say
// nothing of an edit that keeps the size and sets the time back; only the bytes do.
bool HoldsExactly(const std::string& target, const std::string& described, const FileStamp& stamp,
                  std::string_view expected) {
    const Descriptor file{::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0) Fail("write", described, std::string("cannot read it to compare: ") + std::strerror(errno));
    struct stat st;
    if (::fstat(file.fd, &st) != 0) FailErrno("write", described, errno);
    if (StampFrom(st) != stamp) return false;
    char buffer[65536];
    size_t at = 0;
    for (;;) {
        const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n == 0) return at == expected.size();
        if (n < 0) {
            if (errno == EINTR) continue;
            FailErrno("write", described, errno);
        }
        if (size_t(n) > expected.size() - at || std::memcmp(buffer, expected.data() + at, size_t(n)) != 0) return false;
        at += size_t(n);
    }
}

std::mutex inputsLock;
std::vector<std::pair<uint64_t, uint64_t>> inputs;  // device, inode

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void KeepAsInput(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return;
    const std::lock_guard<std::mutex> hold(inputsLock);
    inputs.emplace_back(uint64_t(st.st_dev), uint64_t(st.st_ino));
}

void RefuseInputAsOutput(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return;
    const std::lock_guard<std::mutex> hold(inputsLock);
    for (const auto& [device, inode] : inputs)
        if (device == uint64_t(st.st_dev) && inode == uint64_t(st.st_ino))
            Fail("write", Quoted(path), "it is the form being edited; an output never replaces it");
}

FileStamp StampOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return StampFrom(st);
    if (errno == ENOENT) return FileStamp{};
    FailErrno("examine", Quoted(path), errno);
}

std::optional<std::string> ReadWholeFile(const std::string& path, FileStamp* stamp, uint64_t maxSize) {
    // Looking before opening means a device or FIFO is never opened; the second look, on what
    // was opened, catches a swap in between, and O_NONBLOCK keeps that open from waiting.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) FailErrno("read", Quoted(path), errno);
        if (stamp) *stamp = FileStamp{};
        return std::nullopt;
    }
    CheckReadable(path, st, maxSize);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) FailErrno("read", Quoted(path), errno);
        if (stamp) *stamp = FileStamp{};
        return std::nullopt;
    }
    const Descriptor closer{fd};
    if (::fstat(fd, &st) != 0) FailErrno("read", Quoted(path), errno);
    CheckReadable(path, st, maxSize);

    // Read straight into the string, one byte of room beyond the size so that the read finding
    // the end needs no second buffer: a 64 kB one on the stack stayed in memory for the run.
    std::string bytes;
    bytes.reserve(size_t(st.st_size) + 1);
    vcl::AdviseLargePages(bytes.data(), bytes.capacity());
    vcl::PopulatePages(bytes.data(), size_t(st.st_size));
    bytes.resize(size_t(st.st_size) + 1);
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {  // it grew since it was looked at, or reports no size (/proc)
            if (used > maxSize)
                Fail("read", Quoted(path), "it grew beyond the limit of " + SizeText(maxSize) + " while being read");
            bytes.resize(std::max(used * 2, size_t(65536)));
        }
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            FailErrno("read", Quoted(path), errno);
        }
        used += size_t(n);
    }
    if (used > maxSize)
        Fail("read", Quoted(path), "it grew beyond the limit of " + SizeText(maxSize) + " while being read");
    bytes.resize(used);
    // A change while reading makes this stamp differ from the file, so a save refuses.
    if (stamp) *stamp = StampFrom(st);
    return bytes;
}

std::string ResolveLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0;; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        if (hops == 40) FailErrno("follow the links of", Quoted(path), ELOOP);
        std::string target(size_t(PATH_MAX), '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0) FailErrno("follow the link", Quoted(current), errno);
        if (n == 0 || size_t(n) >= target.size()) FailErrno("follow the link", Quoted(current), ENAMETOOLONG);
        target.resize(size_t(n));
        current = target.front() == '/' ? target : DirectoryOf(current) + "/" + target;
    }
}

// Compare and rename happen under an exclusive lock on the target itself, which every save of
// ours takes: a second run waiting for it sees, once it has it, that the path now names a
// new file and refuses. The lock sits on the old inode, which a rename detaches, but the
// compare is on the path, so that does not matter; and no lock file is left beside forms.
//
// What remains: the lock is advisory, so a program that does not take it (an editor) can
// still write between our compare and our rename, a window of one read and one rename. A
// change that keeps the size and lands within the file system's timestamp granularity of
// our read (or sets the time back) leaves the stamp as it was: callers that kept the bytes
// they read have them compared too.
struct AtomicFileWriter::Pending {
    std::string target, described, dir;
    Temporary tmp;

    Pending(std::string target_, std::string described_, std::string dir_, mode_t mode)
        : target(std::move(target_)), described(std::move(described_)), dir(std::move(dir_)),
          tmp(dir, BaseName(target), mode, described) {}

    // All of bytes at offset, or at the end of what was written when there is none.
    void Put(std::string_view bytes, std::optional<uint64_t> offset) {
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = offset ? ::pwrite(tmp.fd, bytes.data() + done, bytes.size() - done, off_t(*offset + done))
                                     : ::write(tmp.fd, bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                FailErrno("write", described, errno);
            }
            done += size_t(n);
        }
    }
};

AtomicFileWriter::AtomicFileWriter(const std::string& path, FileStamp* stamp) : stamp_(stamp) {
    if (stamp == nullptr) RefuseInputAsOutput(path);
    std::string target = ResolveLinks(path);
    std::string described = Describe(path, target);
    std::string dir = DirectoryOf(target);

    struct stat existing;
    const bool replacing = ::stat(target.c_str(), &existing) == 0;
    if (!replacing && errno != ENOENT) FailErrno("write", described, errno);
    if (replacing) {
        if (const std::string why = NotARegularFile(existing.st_mode); !why.empty()) Fail("write", described, why);
        // No write bit at all counts even for a user whom permissions do not bind.
        if ((existing.st_mode & 0222) == 0) Fail("write", described, "the file is read-only; not saved");
        if (::access(target.c_str(), W_OK) != 0)
            Fail("write", described, std::string("the file is read-only (") + std::strerror(errno) + "); not saved");
    }
    RemoveStaleTemporaries(dir);

    // A replacement starts private and gets the target's owner and mode before it has content.
    pending_ = std::make_unique<Pending>(std::move(target), std::move(described), std::move(dir), replacing ? 0600 : 0666);
    if (replacing) {
        const int fd = pending_->tmp.fd;
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
            (void)::fchown(fd, existing.st_uid, existing.st_gid);  // only a privileged user can
        if (::fchmod(fd, existing.st_mode & 07777) != 0) FailErrno("write", pending_->described, errno);
    }
}

AtomicFileWriter::~AtomicFileWriter() = default;

void AtomicFileWriter::Write(std::string_view bytes) {
    if (!pending_) throw std::logic_error("AtomicFileWriter::Write after Commit");
    pending_->Put(bytes, std::nullopt);
    written_ += bytes.size();
}

void AtomicFileWriter::Overwrite(uint64_t offset, std::string_view bytes) {
    if (!pending_) throw std::logic_error("AtomicFileWriter::Overwrite after Commit");
    if (offset > written_ || bytes.size() > written_ - offset)
        throw std::logic_error("AtomicFileWriter::Overwrite beyond what was written");
    pending_->Put(bytes, offset);
}

void AtomicFileWriter::Commit(std::optional<std::string_view> read) {
    if (!pending_) throw std::logic_error("AtomicFileWriter committed twice");
    const std::unique_ptr<Pending> p = std::move(pending_);
    const std::string &target = p->target, &described = p->described;
    Temporary& tmp = p->tmp;
    if (::fsync(tmp.fd) != 0) FailErrno("write", described, errno);
    const int closed = ::close(tmp.fd);
    tmp.fd = -1;
    if (closed != 0) FailErrno("write", described, errno);
    struct stat written;
    if (::stat(tmp.path.c_str(), &written) != 0) FailErrno("write", described, errno);

    // A target we cannot open for reading is saved unlocked; the compare still guards it.
    const int lockFd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const Descriptor unlocker{lockFd};
    if (lockFd >= 0 && LockWithin(lockFd, kLockWait) == ETIMEDOUT) Fail("write", described, LockTimeoutText(kLockWait));

    if (stamp_) {
        const FileStamp now = StampOf(target);
        if (now != *stamp_) FailChanged(described, now);
        if (read && now.exists && !HoldsExactly(target, described, now, *read)) FailChanged(described, now);
    }
    if (stamp_ && !stamp_->exists) {
        // Created only if still absent, so two runs cannot both create it.
        if (::renameat2(AT_FDCWD, tmp.path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
            if (errno == EEXIST) FailChanged(described, StampOf(target));
            if (errno != EINVAL && errno != ENOSYS) FailErrno("write", described, errno);
            if (::rename(tmp.path.c_str(), target.c_str()) != 0) FailErrno("write", described, errno);
        }
    } else if (::rename(tmp.path.c_str(), target.c_str()) != 0) {
        FailErrno("write", described, errno);
    }
    tmp.placed = true;
    if (stamp_) *stamp_ = StampFrom(written);

    // Make the rename itself durable; the data is safe already, so a failure is no error.
    const int dfd = ::open(p->dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
}

void WriteFileAtomically(const std::string& path, std::string_view content, FileStamp* stamp,
                         std::optional<std::string_view> read) {
    AtomicFileWriter writer(path, stamp);
    writer.Write(content);
    writer.Commit(read);
}

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno == EACCES) fd_ = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) FailErrno("lock", Quoted(path), errno);
    if (const int err = LockWithin(fd_, wait); err != 0) {
        ::close(fd_);
        if (err == ETIMEDOUT) Fail("lock", Quoted(path), LockTimeoutText(wait));
        FailErrno("lock", Quoted(path), err);
    }
}

FileLock::~FileLock() { ::close(fd_); }  // closing releases the lock

}  // namespace zorbase
