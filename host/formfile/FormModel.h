// A form file as the live components it describes: reading builds them the way the
// platform's reader does, and saving carries their changes back into the file, touching
// nothing else.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/base/AtomicFile.h"
#include "host/formfile/FormFile.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Classes.h"
#include "host/vcl/ComponentArena.h"
#include "host/vcl/EditSession.h"

namespace formfile {

// Only components that change cost more than their place in the file: each is seen as it
// was just before its first change, and that is what its changes are measured against.
class TFormFile final : private vcl::TChangeWatcher, public vcl::TEditRecorder {
public:
    // Raises vcl::EParserError (file, line, column) for a malformed file or a value the
    // framework refuses, vcl::EInOutError for a file that cannot be read.
    static std::unique_ptr<TFormFile> Load(const std::string& path);
    static std::unique_ptr<TFormFile> LoadBytes(std::string bytes, const std::string& fileName);
    // Reads a designed form into a component that exists already, as a window's constructor
    // reads its own form: the root object's properties go to root, its children are created.
    static void ReadInto(vcl::TComponent& root, std::string text, const std::string& name);
    ~TFormFile();
    TFormFile(const TFormFile&) = delete;
    TFormFile& operator=(const TFormFile&) = delete;

    // The top component; it owns everything else the file describes.
    vcl::TComponent* Root() const { return root_; }
    const Document& Doc() const { return doc_; }
    // The object a component was read from; none for a component the file does not describe.
    std::optional<Object> ObjectOf(const vcl::TComponent& component) const;

    // Carries the components' changes into the document; true when the file now differs
    // from what was read. A rename carries every reference to the component with it.
    bool ApplyChanges() {
        CarryChanges();
        return Modified();
    }
    // The edit session's side: an accepted change is carried into the document; a change
    // not accepted is forgotten, and later changes are measured against the form as it is.
    void AcceptChanges() override { CarryChanges(); }
    void ForgetPendingChanges() override;
    // Whether the document now differs from what was read.
    bool Modified() { return ChangedBytes().has_value(); }
    // The document as its carried changes leave it; none when that is the file as read.
    std::optional<std::string> ChangedBytes() const;
    // A setter that changes a component without telling its watcher first would lose the
    // change on save. The fingerprints of every component now, and the names of those that
    // changed since then without a word to the form file: tests assert there are none.
    std::vector<uint64_t> Fingerprints();
    std::vector<std::string> UnnoticedChanges(const std::vector<uint64_t>& then);
    // The components whose changes ApplyChanges has carried into the document since reading,
    // in file order; a renamed one as "Old -> New", one without a name as "(TClass)".
    const std::vector<std::string>& ChangedComponents() const { return changedNames_; }
    // The file as it would be saved.
    std::string Bytes();
    // Writes the file atomically (a temporary file beside it, then a rename), through links
    // to their target; a failure raises vcl::EInOutError and leaves any existing file
    // untouched. The file that was loaded (by any path or link) is refused when it no longer
    // holds the bytes read, or last saved, there.
    void Save(const std::string& path) { Save(path, Bytes()); }
    // The same with the bytes written already (by ChangedBytes), so a save writes the document once.
    void Save(const std::string& path, std::string bytes);

private:
    // One for every component read, kept for the run: a large form has tens of thousands.
    // The flags share the scope's word: an entry is 16 bytes.
    struct Entry {
        static constexpr uint32_t kMostEntries = uint32_t{1} << 29;  // what scope can count
        vcl::TComponent* component;  // null once freed: its object stays in the file
        uint32_t object;             // in the document (Document::ObjectAt)
        uint32_t scope : 29;         // entry of the component whose components its references name first
        uint32_t changed : 1 = false;  // seen before a change since reading (or the last apply)
        uint32_t noticed : 1 = false;  // seen before a change at any time
        uint32_t carried : 1 = false;  // a change of it is in the document
    };
    static_assert(sizeof(void*) > 8 || sizeof(Entry) == 16);
    // A changed component as it was before its first change: the hashes of its values by place
    // in WritableProperties, and its design position. Only what differs from it is written:
    // a value the model holds otherwise than the file (tab orders renumbered, a reference to
    // a component the file does not show) stays as the file has it.
    struct Before {
        uint64_t fingerprint = 0;  // of every property value then
        std::vector<uint64_t> values;
        int32_t design = 0;
        std::string name;  // a name given before (a page named to be shown) is not written
    };
    // The names the renamed components have in the file until their references follow.
    class OldNames {
    public:
        void Add(vcl::TComponent* component, std::string_view name);
        bool Empty() const { return byComponent_.empty(); }
        bool Renamed(const vcl::TComponent* component) const { return byComponent_.count(component) != 0; }
        // Could this word have named one of them?
        bool IsOldName(std::string_view name) const { return byName_.count(name) != 0; }
        // The component of owner that was called name.
        vcl::TComponent* Find(const vcl::TComponent* owner, std::string_view name) const;
        // The name component has in the file.
        std::string_view NameOf(const vcl::TComponent& component) const;

    private:
        std::unordered_map<const vcl::TComponent*, std::string> byComponent_;
        std::unordered_multimap<std::string, vcl::TComponent*, vcl::CaseInsensitiveHash, vcl::CaseInsensitiveEqual>
            byName_;
    };

    class Builder;
    TFormFile();  // its document is read later, with its components
    explicit TFormFile(Document doc);
    // Reads the bytes, building the components as it goes.
    static std::unique_ptr<TFormFile> Read(std::string bytes, const std::string& fileName);
    void PrepareMemory(size_t fileBytes);
    void Build();
    void BeforeFirstChange(vcl::TPersistent& object) override;
    void Destroyed(vcl::TPersistent& object) override;
    // ApplyChanges without asking whether the document now differs, which writes it whole.
    void CarryChanges();
    bool ApplyComponent(uint32_t index, const OldNames& old);
    bool Renamed(uint32_t index) const;
    void RewriteReferences(const OldNames& old);
    bool RewriteValue(Property prop, vcl::TComponent* scope, const OldNames& old);
    bool RewriteData(ValueData& value, vcl::TComponent* scope, const OldNames& old) const;
    std::optional<std::string> FollowRename(std::string_view text, vcl::TComponent* scope, const OldNames& old) const;
    void Snapshot(uint32_t index);
    vcl::TComponent* ScopeOf(uint32_t index) const;
    // The components a reference's names stand for ("Frame1.Button1": the frame, then its
    // button), each looked up among scope's components, then its owner's, out to the root;
    // a leading root name stands for the root. Empty for another module's component, and
    // for a name not found unless prefix asks for the components found before it. With old,
    // components are known by the names they have in the file.
    std::vector<vcl::TComponent*> ResolvePath(std::string_view text, vcl::TComponent* scope,
                                              const OldNames* old = nullptr, bool prefix = false) const;
    vcl::TComponent* Resolve(std::string_view text, vcl::TComponent* scope, const OldNames* old = nullptr) const;
    uint64_t Fingerprint(const vcl::TComponent& component);
    // The properties a form file can hold for a class (published, stored, not sub-objects),
    // with their places by name.
    struct Writable {
        std::vector<const vcl::TPropInfo*> props;
        std::unordered_map<std::string, uint16_t, vcl::CaseInsensitiveHash, vcl::CaseInsensitiveEqual> place;
    };
    const Writable& WritableProperties(const vcl::TClassInfo& cls);
    // The components this file owns go, nothing of their going remembered.
    void FreeComponents();

    Document doc_;
    std::string loadedFrom_;     // the file as its links resolve; empty for bytes
    zorbase::FileStamp stamp_;   // what was read there
    std::optional<std::string> saved_;  // what the last save wrote there, once saved
    // The classes this form had to infer; freed after its components (see the destructor).
    std::unique_ptr<vcl::TInferredClasses> inferred_ = std::make_unique<vcl::TInferredClasses>();
    // Where the components read from the file live, when this file owns them: freed after them.
    std::unique_ptr<vcl::TComponentArena> arena_;
    vcl::TComponent* root_ = nullptr;
    std::unique_ptr<vcl::TComponent> ownedRoot_;  // null when reading into a given root
    std::vector<Entry> entries_;
    std::unordered_map<uint32_t, Before> before_;  // by entry
    std::unordered_map<uint32_t, std::string> readName_;  // by entry, once renamed: its name as read
    std::vector<std::string> changedNames_;
    bool closing_ = false;  // the components are being freed: nothing to remember
    std::unordered_map<const vcl::TClassInfo*, Writable> propertyCache_;
};

}  // namespace formfile
