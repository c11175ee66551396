#include "host/db/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "host/vcl/SysUtils.h"

namespace dbe {

TRegularFile::TRegularFile(const std::string& path, const std::string& what) : path_(path), what_(what) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) throw vcl::EDBEngineError("Cannot open the " + what + " " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw vcl::EDBEngineError("The " + what + " " + path + " is no regular file");
    }
    size_ = uint64_t(st.st_size);
}

TRegularFile::~TRegularFile() { ::close(fd_); }

std::string TRegularFile::Read(uint64_t offset, size_t length) const {
    if (offset >= size_) return {};
    std::string bytes(size_t(std::min<uint64_t>(length, size_ - offset)), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd_, bytes.data() + got, bytes.size() - got, off_t(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw vcl::EDBEngineError("Cannot read the " + what_ + " " + path_ + ": " + std::strerror(errno));
        if (n == 0) break;  // the file shrank meanwhile
        got += size_t(n);
    }
    bytes.resize(got);
    return bytes;
}

}  // namespace dbe
