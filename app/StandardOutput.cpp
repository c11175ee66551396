#include "app/StandardOutput.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include <unistd.h>

namespace app {

class TStandardOutput::Buffer : public std::streambuf {
public:
    Buffer() { setp(space_, space_ + sizeof space_); }
    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override {
        if (!Drain()) return traits_type::eof();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    // Large pieces (a converted form) go straight out, without a copy through the buffer.
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (n < epptr() - pptr()) {
            std::memcpy(pptr(), s, size_t(n));
            pbump(int(n));
            return n;
        }
        return Drain() && WriteAll(s, size_t(n)) ? n : 0;
    }
    int sync() override { return Drain() ? 0 : -1; }

private:
    bool Drain() {
        const bool ok = WriteAll(pbase(), size_t(pptr() - pbase()));
        setp(space_, space_ + sizeof space_);
        return ok;
    }
    // After the first failure nothing more is written: the output is lost already.
    bool WriteAll(const char* s, size_t n) {
        while (n > 0 && error_ == 0) {
            const ssize_t done = ::write(STDOUT_FILENO, s, n);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) {
                error_ = done < 0 ? errno : EIO;
                break;
            }
            s += done;
            n -= size_t(done);
        }
        return error_ == 0;
    }

    char space_[65536];
    int error_ = 0;
};

TStandardOutput::TStandardOutput() : buffer_(new Buffer), previous_(std::cout.rdbuf(buffer_)) {}

TStandardOutput::~TStandardOutput() {
    std::cout.flush();
    std::cout.rdbuf(previous_);
    delete buffer_;
}

std::string TStandardOutput::Finish() {
    std::cout.flush();
    if (buffer_->error() != 0) return std::strerror(buffer_->error());
    return std::cout ? "" : "the output stream failed";
}

}  // namespace app
