// The settings file: integers in named sections, shared by every QA component of the host.
#pragma once

#include <cstdint>
#include <string>

namespace zorbase {

// Each call works on the file as it is on disk now, so two objects (or two programs) on the
// same path see each other's writes. Writes are atomic and serialised by a lock file.
class tinifile {
public:
    explicit tinifile(std::string fileName);  // a missing file is no error
    ~tinifile();
    tinifile(const tinifile&) = delete;
    tinifile& operator=(const tinifile&) = delete;

    const std::string& FileName() const { return fileName_; }

    bool sect_exist(const std::string& section) const;
    // The stored value, or def when the key is absent or its value is not an integer.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
    // Existing keys keep their place; a new key goes to the head of its section, a new section
    // to the end of the file. Raises vcl::EInOutError when the file cannot be written.
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    // The key of entry i (from 0) of the section; empty when there is no such entry.
    std::string get_line(const std::string& section, int i) const;

private:
    std::string fileName_;
};

}  // namespace zorbase
