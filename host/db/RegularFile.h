// A file of an untrusted data folder, opened for reading only when it is a regular file: a
// FIFO or a device named like a table would block or never end. Opened without blocking and
// checked on the descriptor itself, so nothing can be swapped in between check and read.
#pragma once

#include <cstdint>
#include <string>

namespace dbe {

class TRegularFile {
public:
    // what names the kind of file in errors ("Paradox table", "dBASE index").
    TRegularFile(const std::string& path, const std::string& what);
    ~TRegularFile();
    TRegularFile(const TRegularFile&) = delete;
    TRegularFile& operator=(const TRegularFile&) = delete;

    uint64_t Size() const { return size_; }
    // Up to length bytes from offset; fewer at the end of the file.
    std::string Read(uint64_t offset, size_t length) const;

private:
    int fd_ = -1;
    uint64_t size_ = 0;
    std::string path_, what_;
};

}  // namespace dbe
