// The aliases file (aliases.conf) as its lines: read tolerantly for lookups, edited in place
// so that comments, unknown keys and the file's own layout survive every add and remove.
//
//   # comment (also ; at the start of a line)
//   [NAME]
//   DRIVER=SQLITE
//   PATH=/home/me/data/dbdemos.sqlite
//   PATH*=/data/%0Aodd%20   a value that a plain line cannot hold, percent-encoded
//
// A value is the text after '=' with the blanks around it dropped. A value that holds a
// control character or blanks at its ends is written under its key followed by '*', with
// those bytes and '%' as %XX; files of older versions never have such keys, and their plain
// values (with any ';', '\' or '%') read as they always did.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/db/Engine.h"

namespace dbe {

// Files beyond this are refused unread: thousands of aliases fit in a fraction of it.
inline constexpr uint64_t kMaxAliasesFileSize = uint64_t(4) << 20;

class TAliasesFile {
public:
    // Never raises: lines it cannot make sense of are noted in Damage() and left out of
    // Aliases(), and an alias section under a damaged header gets none of its keys.
    explicit TAliasesFile(std::string_view text);

    // The aliases in file order; of two sections with one name (case ignored) the first.
    const std::vector<TAlias>& Aliases() const { return aliases_; }
    // The first damaged line ("line 3: ..."), or nothing. A damaged file is never edited.
    const std::optional<std::string>& Damage() const { return damage_; }

    // Appends a section for the alias (a comment heading a file that had none).
    void Add(const TAlias& alias);
    // Takes out the alias's header and key lines; comments stay. False when there is none.
    bool Remove(std::string_view name);

    std::string Text() const;

private:
    struct Line {
        std::string text;  // without its line end
        std::string eol;   // "\n", "\r\n", or "" for an unterminated last line
    };
    void Parse();

    bool bom_ = false;
    std::string eol_ = "\n";
    std::vector<Line> lines_;
    std::vector<TAlias> aliases_;
    std::vector<size_t> headers_;  // the header line of each of aliases_
    std::optional<std::string> damage_;
};

// Why a parameter key could not be written so that it reads back as itself ("" when it can).
std::string BadAliasKey(std::string_view key);

}  // namespace dbe
