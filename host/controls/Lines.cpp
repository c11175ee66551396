#include "host/controls/Lines.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include "host/base/AtomicFile.h"

namespace vcl {

size_t TLines::Check(int i) const {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    return size_t(i);
}

int TLines::Add(const std::string& s) {
    lines_.push_back(s);
    return Count() - 1;
}

void TLines::Insert(int i, const std::string& s) {
    if (i < 0 || i > Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    lines_.insert(lines_.begin() + i, s);
}

void TLines::Delete(int i) { lines_.erase(lines_.begin() + std::ptrdiff_t(Check(i))); }

void TLines::AddStrings(const TLines& other) {
    if (&other == this) {
        const auto copy = lines_;
        lines_.insert(lines_.end(), copy.begin(), copy.end());
    } else {
        lines_.insert(lines_.end(), other.lines_.begin(), other.lines_.end());
    }
}

void TLines::AddStrings(const TStringList& other) {
    for (int i = 0; i < other.Count(); ++i) lines_.push_back(other.Strings(i));
}

int TLines::IndexOf(std::string_view s) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(lines_[size_t(i)], s)) return i;
    return -1;
}

std::string TLines::Text() const {
    std::string text;
    for (const auto& line : lines_) text.append(line).append("\r\n");
    return text;
}

void TLines::SetText(std::string_view text) {
    lines_.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines_.emplace_back(text.substr(start));
            break;
        }
        lines_.emplace_back(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
}

void TLines::SaveToFile(const std::string& path) const {
    TLineWriter out(path);
    for (const auto& line : lines_) out.Add(line);
    out.Close();
}

namespace {

std::map<std::string, const TLineCapture::TSink*, std::less<>>& Captures() {
    static std::map<std::string, const TLineCapture::TSink*, std::less<>> captures;
    return captures;
}

}  // namespace

TLineCapture::TLineCapture(std::string path, TSink sink) : path_(std::move(path)), sink_(std::move(sink)) {
    if (!Captures().try_emplace(path_, &sink_).second)
        throw EInOutError("Lines to \"" + path_ + "\" are captured already");
}

TLineCapture::~TLineCapture() { Captures().erase(path_); }

TLineWriter::TLineWriter(const std::string& path) : path_(path) {
    if (const auto held = Captures().find(path); held != Captures().end()) {
        sink_ = held->second;
        return;
    }
    zorbase::RefuseInputAsOutput(path);  // never over the form being edited
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd_ < 0) Fail(errno);
}

TLineWriter::~TLineWriter() {
    if (fd_ >= 0) ::close(fd_);
}

void TLineWriter::Add(std::string_view line) {
    // Blocks of 16 kB: a print holds one beside the form, and one of 64 kB was a tenth of
    // what a 1,000-component form takes; a file takes a write call per block, which costs little.
    buffer_.append(line).append("\r\n");
    if (buffer_.size() >= (size_t(1) << 14)) Drain();
}

void TLineWriter::Close() {
    Drain();
    if (sink_ != nullptr) return;
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) Fail(errno);
}

void TLineWriter::Drain() {
    if (sink_ != nullptr) {
        if (!buffer_.empty()) (*sink_)(buffer_);
        buffer_.clear();
        return;
    }
    for (std::string_view rest = buffer_; !rest.empty();) {
        const ssize_t n = ::write(fd_, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail(n < 0 ? errno : EIO);
        rest.remove_prefix(size_t(n));
    }
    buffer_.clear();
}

void TLineWriter::Fail(int err) {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    throw EInOutError("Cannot create file \"" + path_ + "\": " + std::strerror(err));
}

}  // namespace vcl
