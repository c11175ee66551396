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

class TFormFile {
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
        vcl::TComponent* component;
        Object object;
        std::string loadedName;
        uint64_t fingerprint = 0;  // of every property value when reading ended
        // Values the file does not give, as hashes by place in WritableProperties.
        std::vector<std::pair<uint16_t, uint64_t>> absent;
    };
    struct Rename {
        std::string from;
        std::string to;
    };

    explicit TFormFile(Document doc);
    void Build();
    void ApplyComponent(Entry& entry, std::vector<Rename>& renames);
    void RewriteReferences(const std::vector<Rename>& renames);
    void Snapshot(Entry& entry);
    // The component a reference names, looked up among scope's components, then the root's;
    // null for another module's component.
    vcl::TComponent* Resolve(const std::string& text, vcl::TComponent* scope) const;
    uint64_t Fingerprint(const vcl::TComponent& component);
    // The properties a form file can hold for the class: published, stored, not sub-objects.
    const std::vector<const vcl::TPropInfo*>& WritableProperties(const vcl::TClassInfo& cls);

    Document doc_;
    vcl::TComponent* root_ = nullptr;
    std::unique_ptr<vcl::TComponent> ownedRoot_;  // null when reading into a given root
    std::vector<Entry> entries_;
    std::unordered_map<const vcl::TClassInfo*, std::vector<const vcl::TPropInfo*>> propertyCache_;
};

}  // namespace formfile
