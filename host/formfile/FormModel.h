// A form file as the live components it describes: reading builds them the way the
// platform's reader does, and saving carries their changes back into the file, touching
// nothing else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/formfile/FormFile.h"
#include "host/vcl/Classes.h"

namespace formfile {

// Only components that change cost more than their place in the file: each is seen as it
// was just before its first change, and that is what its changes are measured against.
class TFormFile : private vcl::TChangeWatcher {
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

    // Carries the components' changes into the document; true when the file now differs
    // from what was read.
    bool ApplyChanges();
    // The file as it would be saved.
    std::string Bytes();
    // Writes the file atomically (a temporary file beside it, then a rename); a failure
    // raises vcl::EInOutError and leaves any existing file untouched.
    void Save(const std::string& path);

private:
    struct Entry {
        vcl::TComponent* component;  // null once freed: its object stays in the file
        Object object;
        bool changed = false;      // seen before a change since reading (or the last apply)
        uint64_t fingerprint = 0;  // of every property value then
    };
    // For a changed component: the values the file does not give, as they were, by place in
    // WritableProperties.
    using Absent = std::vector<std::pair<uint16_t, uint64_t>>;
    struct Rename {
        std::string from;
        std::string to;
    };

    explicit TFormFile(Document doc);
    void Build();
    void BeforeFirstChange(vcl::TPersistent& object) override;
    void Destroyed(vcl::TPersistent& object) override;
    void ApplyComponent(uint32_t index, std::vector<Rename>& renames);
    void RewriteReferences(const std::vector<Rename>& renames);
    void Snapshot(uint32_t index);
    // The component a reference names, looked up among scope's components, then the root's;
    // null for another module's component.
    vcl::TComponent* Resolve(const std::string& text, vcl::TComponent* scope) const;
    uint64_t Fingerprint(const vcl::TComponent& component);
    // The properties a form file can hold for a class (published, stored, not sub-objects),
    // with their places by name.
    struct Writable {
        std::vector<const vcl::TPropInfo*> props;
        std::unordered_map<std::string, uint16_t, vcl::CaseInsensitiveHash, vcl::CaseInsensitiveEqual> place;
    };
    const Writable& WritableProperties(const vcl::TClassInfo& cls);

    Document doc_;
    vcl::TComponent* root_ = nullptr;
    std::unique_ptr<vcl::TComponent> ownedRoot_;  // null when reading into a given root
    std::vector<Entry> entries_;
    std::unordered_map<uint32_t, Absent> absent_;  // by entry
    bool closing_ = false;  // the components are being freed: nothing to remember
    std::unordered_map<const vcl::TClassInfo*, Writable> propertyCache_;
};

}  // namespace formfile
