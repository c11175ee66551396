// Whole-file reads and atomic replacement, for every file the program reads or writes for a user.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zorbase {

// Files beyond this are refused unread. The largest forms a designer holds (32,767
// components) are under 10 MiB as text; the limit leaves a wide margin and still keeps a
// mistaken argument (a disk image, a log) from exhausting memory.
inline constexpr uint64_t kMaxFileSize = uint64_t(256) << 20;

// How long a save waits for a lock another program holds before it gives up.
inline constexpr std::chrono::milliseconds kLockWait{2000};

// What a read saw of a file, so that a later save can tell whether someone else changed it
// in between. A file that did not exist has exists == false and zeros elsewhere.
struct FileStamp {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t mtimeNs = 0;  // modification time, nanoseconds since the epoch
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file a path names now (links followed). Raises vcl::EInOutError when it
// cannot be examined for a reason other than not existing.
FileStamp StampOf(const std::string& path);

// The file's bytes; nothing when it does not exist. Raises vcl::EInOutError, without reading
// or waiting, for a directory, a FIFO, socket or device, or a file larger than maxSize; and
// when the file cannot be read. When stamp is given it receives what was read (exists ==
// false for a missing file), for WriteFileAtomically.
std::optional<std::string> ReadWholeFile(const std::string& path, FileStamp* stamp = nullptr,
                                         uint64_t maxSize = kMaxFileSize);

// Whether both paths name one existing file (links followed; hard links are the same file).
// A path that does not exist, or cannot be examined, names no file.
bool SameFile(const std::string& a, const std::string& b);

// The files a run reads to edit (the form): no other output of the run may replace them,
// whatever path or link leads there. Kept by device and inode; a path that does not exist
// is not kept. RefuseInputAsOutput raises vcl::EInOutError naming path when it is one of
// them. Outputs without a stamp (WriteFileAtomically) and text exports ask.
void KeepAsInput(const std::string& path);
void RefuseInputAsOutput(const std::string& path);

// Replaces the file atomically: readers see the old content or the new, never half. A
// symbolic link (or a chain of them) is followed and its final target replaced, so the link
// stays a link. The content goes to a hidden temporary file beside the target
// (".NAME.tavrinqa-PID-N.tmp"), is flushed to disk, and is renamed over it; the target keeps
// its mode bits (a new file gets 0666 less the umask). Temporary files left by killed
// processes in that folder are removed on the way.
//
// When stamp is given (from ReadWholeFile or StampOf), the file must still be as that stamp
// says, or the save is refused: a file changed, replaced or removed since, or one created
// since it was found missing. When read is given too (the bytes that stamp was taken of),
// the file must also still hold exactly those bytes: an edit that keeps the size and puts
// the modification time back is refused as well. On success stamp becomes that of the new
// content, so a second save of the same file passes (with content as its read bytes).
// Without a stamp the target must not be a file kept as input (KeepAsInput).
//
// Refused with vcl::EInOutError, leaving the target and its folder as they were: a target
// that is not a regular file, a read-only target, a changed one, and every failure of the
// system (its reason included).
void WriteFileAtomically(const std::string& path, std::string_view content, FileStamp* stamp = nullptr,
                         std::optional<std::string_view> read = std::nullopt);

// WriteFileAtomically for content made piece by piece: each piece goes to the temporary file
// as it comes, so a large output never stands in memory whole. The checks of the target are
// made when the writer is made; nothing replaces the target until Commit (with read as
// WriteFileAtomically takes it), and a writer that goes uncommitted leaves no trace.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path, FileStamp* stamp = nullptr);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(std::string_view bytes);
    // Puts bytes over some written already, offset from the start: a size known only at the end.
    void Overwrite(uint64_t offset, std::string_view bytes);
    void Commit(std::optional<std::string_view> read = std::nullopt);

private:
    struct Pending;
    std::unique_ptr<Pending> pending_;  // the temporary file and the target; gone once committed
    FileStamp* stamp_;
    uint64_t written_ = 0;
};

// The file a path finally names once symbolic links are followed: relative targets are taken
// from the link's own folder; a dangling link gives the path it points to. Raises
// vcl::EInOutError for a loop of links.
std::string ResolveLinks(const std::string& path);

// An exclusive advisory lock (flock) on a file, held while the object lives. The file is
// created when missing. Raises vcl::EInOutError when it cannot be opened or when another
// holder keeps it longer than wait.
class FileLock {
public:
    FileLock(const std::string& path, std::chrono::milliseconds wait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace zorbase
