// The base of the QA experts: how they hand generated source to the host's editor.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "host/base/AtomicFile.h"

namespace zorbase {

// Wherever generated source ends up: the IDE's open unit, a unit file, a stream.
class TSourceEditor {
public:
    virtual ~TSourceEditor() = default;
    virtual void InsertText(const std::string& text) = 0;
};

// The editor experts write to. The host sets it while a unit is open and clears it (nullptr)
// when none is; it keeps ownership.
void SetSourceEditor(TSourceEditor* editor);
TSourceEditor* SourceEditor();

class TZorExpertBaseClass {
public:
    virtual ~TZorExpertBaseClass() = default;
    // Hands text to the current source editor; raises vcl::Exception when none is open.
    void Insertext(const std::string& text);
};

// Inserts into a unit file before a 1-based line; 0, a negative line or one past the end means
// at the end. Insertions pile up in call order, as at an editor's cursor, and reach the disk
// only on Commit(), atomically and in the file's own line ends; an editor dropped before
// Commit() leaves the file as it was. The unit counts as opened when the editor is made: it
// is saved as a form is (WriteFileAtomically), through links, and never over a change
// someone else made to it since then.
class TUnitFileEditor : public TSourceEditor {
public:
    TUnitFileEditor(std::string fileName, int line);
    void InsertText(const std::string& text) override;
    // Writes what is pending; later insertions go after it. Raises vcl::EInOutError, leaving the
    // file untouched and the text pending, when the file cannot be read or replaced, is
    // read-only, or was changed by another program since it was opened or last committed.
    void Commit();
    const std::string& Pending() const { return pending_; }

private:
    std::string fileName_;
    int line_;
    std::string pending_;
    std::optional<FileStamp> opened_;  // as the unit was when opened or last written
};

// Appends everything to a stream, e.g. a generated unit on its way to disk or a test's buffer.
class TStreamEditor : public TSourceEditor {
public:
    explicit TStreamEditor(std::ostream& out) : out_(out) {}
    void InsertText(const std::string& text) override;  // raises vcl::EInOutError on failure

private:
    std::ostream& out_;
};

}  // namespace zorbase
