// Lines of text as the platform's string lists hold them in memos, combo boxes and
// exports: indexed from 0, a bad index raising EListError.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/vcl/Classes.h"

namespace vcl {

class TLines {
public:
    TLines() = default;
    TLines(std::initializer_list<std::string> lines) : lines_(lines) {}

    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& Strings(int i) const { return lines_[Check(i)]; }
    const std::string& operator[](int i) const { return Strings(i); }
    void Put(int i, const std::string& s) { lines_[Check(i)] = s; }
    int Add(const std::string& s);
    void Insert(int i, const std::string& s);
    void Delete(int i);
    void Clear() { lines_.clear(); }
    void AddStrings(const TLines& other);
    void AddStrings(const TStringList& other);
    int IndexOf(std::string_view s) const;  // case ignored, as the platform's lists do; -1 when absent

    // Every line followed by CR LF.
    std::string Text() const;
    // Splits at CR LF, LF or CR; a final line break ends the last line and adds none.
    void SetText(std::string_view text);
    // Writes Text() to the file, replacing it; EInOutError when it cannot be written.
    void SaveToFile(const std::string& path) const;

    const std::vector<std::string>& Vector() const { return lines_; }
    auto begin() const { return lines_.begin(); }
    auto end() const { return lines_.end(); }
    bool operator==(const TLines&) const = default;

private:
    size_t Check(int i) const;
    std::vector<std::string> lines_;
};

// While it lives, line writers opened on its path hand their bytes, in whole lines, to the
// sink instead of creating a file: a run that shows an export on its output writes nothing
// to disk. One capture per path at a time; the writers opened on it close before it goes.
class TLineCapture {
public:
    using TSink = std::function<void(std::string_view bytes)>;
    TLineCapture(std::string path, TSink sink);
    ~TLineCapture();
    TLineCapture(const TLineCapture&) = delete;
    TLineCapture& operator=(const TLineCapture&) = delete;

private:
    std::string path_;
    TSink sink_;
};

// A text file written line by line, each line ended by CR LF, through one small buffer: a long
// export never stands in memory whole. Never over the form being edited. A path that a
// TLineCapture holds is no file: its bytes go to the capture's sink.
class TLineWriter {
public:
    explicit TLineWriter(const std::string& path);  // EInOutError when it cannot be created
    ~TLineWriter();
    TLineWriter(const TLineWriter&) = delete;
    TLineWriter& operator=(const TLineWriter&) = delete;

    void Add(std::string_view line);
    // What is left goes out and the file closes: EInOutError when that fails.
    void Close();

private:
    void Drain();
    [[noreturn]] void Fail(int err);
    std::string path_;
    int fd_ = -1;
    const TLineCapture::TSink* sink_ = nullptr;
    std::string buffer_;
};

}  // namespace vcl
