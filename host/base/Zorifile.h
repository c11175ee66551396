// The settings file: integers in named sections, shared by every QA component of the host.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "host/base/AtomicFile.h"

namespace zorbase {

struct IniDocument;

// Each call works on the file as it is on disk now (or, inside a Reading, as it was when the
// Reading first read it), so two objects (or two programs) on the same path see each other's
// writes. Writes are atomic and serialised by a lock file.
//
// Settings only ever override defaults, so no failure of theirs may end a run: a file that
// cannot be read (no permission, a directory, too large) reads as empty, and a write that
// cannot be done (a missing or read-only home, a lock held too long) is dropped. Each such
// problem is reported once per run as a warning (SetSettingsWarningStream); nothing here
// raises.
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
    // to the end of the file. A name the file could not give back as written (empty, with a
    // line end, blanks at its ends, '=' or a leading '[', ';' or '#' in a key, ']' in a
    // section) is not written, with a warning.
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    // The key of entry i (from 0) of the section; empty when there is no such entry.
    std::string get_line(const std::string& section, int i) const;

    // Writes made while an Update lives reach the disk together when the outermost one ends:
    // one lock, one read and one atomic replace, applied in call order as if written one by
    // one. Reads meanwhile already see them.
    class Update {
    public:
        explicit Update(tinifile& file);
        ~Update();
        Update(const Update&) = delete;
        Update& operator=(const Update&) = delete;

    private:
        tinifile& file_;
    };

    // Reads made while a Reading lives see the file as the first of them found it, with this
    // object's own writes: a window's layout is read at once rather than key by key, so it
    // comes whole from one version of the file even while another program replaces it, and
    // the file is read and parsed once rather than once a key.
    class Reading {
    public:
        explicit Reading(const tinifile& file);
        ~Reading();
        Reading(const Reading&) = delete;
        Reading& operator=(const Reading&) = delete;

    private:
        const tinifile& file_;
    };

    // How long a write waits for another program's lock on the file before it gives up.
    void SetLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }

private:
    struct Write {
        std::string section;
        std::string key;
        int32_t value;
    };
    void Flush() noexcept;
    // What a read sees now; scratch holds it when it is not the snapshot itself.
    const IniDocument& Seen(IniDocument& scratch) const;

    std::string fileName_;
    std::chrono::milliseconds lockWait_ = kLockWait;
    int updates_ = 0;
    std::vector<Write> pending_;
    mutable int readings_ = 0;
    mutable std::unique_ptr<IniDocument> snapshot_;  // while a Reading lives, once read
};

// Where settings warnings go, a line each ("tavrinqa: warning: ..."); nullptr restores
// std::cerr. Returns the previous stream (nullptr for std::cerr).
std::ostream* SetSettingsWarningStream(std::ostream* out);

}  // namespace zorbase
