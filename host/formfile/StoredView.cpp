#include "host/formfile/StoredView.h"

#include "host/formfile/FormModel.h"

namespace formfile {

vcl::TStoredKind StoredValue::Kind() const {
    switch (value_.Kind()) {
    case ValueKind::Integer: return vcl::TStoredKind::Integer;
    case ValueKind::String: return vcl::TStoredKind::String;
    case ValueKind::Ident: return vcl::TStoredKind::Ident;
    case ValueKind::Set: return vcl::TStoredKind::Set;
    case ValueKind::List: return vcl::TStoredKind::List;
    case ValueKind::Collection: return vcl::TStoredKind::Collection;
    case ValueKind::Binary: return vcl::TStoredKind::Binary;
    default: return vcl::TStoredKind::Other;
    }
}

void StoredValue::ForEachItem(const std::function<void(const vcl::TStoredValue&)>& f) const {
    for (size_t i = 0; i < value_.Count(); ++i) f(StoredValue(value_.Item(i)));
}

void StoredValue::ForEachEntry(const std::function<void(const vcl::TStoredObject&)>& f) const {
    for (size_t i = 0; i < value_.Count(); ++i) f(StoredItem(value_.Entry(i)));
}

namespace {

// An object and a collection item hold their properties alike.
template <class Node>
bool FindIn(const Node& node, std::string_view name, const std::function<void(const vcl::TStoredValue&)>& f) {
    std::optional<Property> p = node.FindProperty(name);
    if (!p) return false;
    f(StoredValue(p->GetValue()));
    return true;
}

template <class Node>
void EachIn(const Node& node, const std::function<void(std::string_view, const vcl::TStoredValue&)>& f) {
    for (Property p : node.Properties()) f(p.Name(), StoredValue(p.GetValue()));
}

}  // namespace

bool StoredObject::FindProperty(std::string_view name, const std::function<void(const vcl::TStoredValue&)>& f) const {
    return FindIn(object_, name, f);
}

void StoredObject::ForEachProperty(const std::function<void(std::string_view, const vcl::TStoredValue&)>& f) const {
    EachIn(object_, f);
}

void StoredObject::ForEachChild(const std::function<void(const vcl::TStoredObject&)>& f) const {
    for (Object child : object_.Children()) f(StoredObject(child));
}

bool StoredItem::FindProperty(std::string_view name, const std::function<void(const vcl::TStoredValue&)>& f) const {
    return FindIn(item_, name, f);
}

void StoredItem::ForEachProperty(const std::function<void(std::string_view, const vcl::TStoredValue&)>& f) const {
    EachIn(item_, f);
}

}  // namespace formfile

namespace vcl {

void ReadDesignedForm(TComponent& root, std::string_view text, const std::string& fileName,
                      const std::function<void(const TStoredObject& object)>& designed) {
    formfile::TFormFile::ReadInto(root, std::string(text), fileName);
    const formfile::Document doc = formfile::Document::Parse(std::string(text), fileName);
    designed(formfile::StoredObject(doc.Root()));
}

}  // namespace vcl
