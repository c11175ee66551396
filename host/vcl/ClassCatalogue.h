// The class catalogue: which classes exist, what they derive from and what they publish.
// It is data (StandardClasses.txt, compiled in, plus any catalogue a user adds), so that a
// new component class needs no code; only the classes the framework drives have C++ types.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/vcl/FlatIndex.h"
#include "host/vcl/TypInfo.h"

namespace vcl {

// What a form file shows of an object whose class no catalogue knows.
struct TClassEvidence {
    bool isRoot = false;        // the file's top object
    bool isInline = false;      // a frame by the file's structure: an `inline` object, or an
                                // inherited one that holds objects (see TFormFile::Build)
    bool underMenu = false;     // nested in a menu or a menu item
    bool underActionList = false;  // nested in an action list
    bool hasChildren = false;   // contains what could be a control (never fields, actions or
                                // other non-visual parts); for the top object, objects with a
                                // size, which a data module never holds
    bool hasSize = false;       // stores Width/Height/ClientWidth/ClientHeight; for the top
                                // object, what only forms store: ClientWidth/ClientHeight,
                                // Caption or TextHeight
    bool hasTabOrder = false;   // stores TabOrder or TabStop
};

// The classes the reading of one form file had to infer. They belong to that form: another
// form read in the same run infers its own, so its findings never depend on what was read
// before it. The store outlives every component of its classes.
class TInferredClasses {
public:
    const TClassInfo* Find(std::string_view name) const;
    TClassInfo& Add(std::string_view name, const TClassInfo& parent);
    bool Empty() const { return classes_.empty(); }

private:
    std::unordered_map<std::string, std::unique_ptr<TClassInfo>, CaseInsensitiveHash, CaseInsensitiveEqual> classes_;
};

class TClassCatalogue {
public:
    using TFactory = std::function<TComponent*(TComponent* owner, const TClassInfo* cls)>;

    TClassCatalogue();  // the standard classes, with the framework's C++ classes bound
    ~TClassCatalogue();

    // Catalogue text; see StandardClasses.txt for the format. A class may be declared
    // again to add properties. Errors raise EParserError naming sourceName and the line.
    void Load(std::string_view text, const std::string& sourceName);
    void LoadFromFile(const std::string& path);  // EInOutError when unreadable

    const TClassInfo* Find(std::string_view name) const;
    const TClassInfo& Require(std::string_view name) const;  // EClassNotFound
    // Declares (or finds) a class; used by code that brings its own component classes.
    TClassInfo& Declare(std::string_view name, std::string_view parentName);
    // The kind of a type name as properties use it; tkUnknown when not declared.
    TTypeKind KindOfType(std::string_view typeName) const;

    // Gives an unknown class its place: under a menu it is a menu item, in an action list an
    // action; a file's top object is a form when it has a size and a data module otherwise;
    // an inline object is a frame; an object holding what could be a control or with a tab
    // order is a windowed control; one with a size is a graphic control; anything else is a
    // non-visual component. The new class is
    // marked inferred, kept in the form's own store, and learns its properties from the file
    // (LearnProperty). A top object that is not a form but holds controls is a frame.
    const TClassInfo& Infer(std::string_view name, const TClassEvidence& evidence, TInferredClasses& form);
    // The class Infer makes an unknown class a kind of, for that evidence.
    static const char* InferredBase(const TClassEvidence& evidence);
    // A class met in a file with a property it does not publish: learned, and marked so.
    const TPropInfo& LearnProperty(const TClassInfo& cls, std::string_view name, TTypeKind kind);
    // The same for a name the class was just found not to publish: an object given thousands
    // of unknown properties looks each up once, not twice.
    const TPropInfo& LearnUnpublished(const TClassInfo& cls, std::string_view name, TTypeKind kind);

    // C++ classes: instances of a catalogue class are made by the factory of its nearest
    // ancestor that has one.
    void RegisterFactory(std::string_view className, TFactory factory);
    // The factory of a C++ class whose constructor takes the owner and the catalogue class.
    template <class T>
    void RegisterComponentClass(std::string_view className) {
        RegisterFactory(className, [](TComponent* owner, const TClassInfo* cls) -> TComponent* { return new T(owner, cls); });
    }
    TComponent* CreateComponent(std::string_view className, TComponent* owner) const;
    TComponent* CreateComponent(const TClassInfo& cls, TComponent* owner) const;

private:
    friend class TClassInfo;
    // The class of that name, made now if the compiled-in catalogue declares it; null when none.
    TClassInfo* Lookup(std::string_view name) const;
    // Finds the class, or declares it with that parent.
    TClassInfo& Add(std::string_view name, const TClassInfo* parent);
    // Checks text, which must stay alive, and declares its types and classes; the classes'
    // property lines are read when a class is first asked about them (DeclareProperties).
    // Not safe to share between threads: reading a class's lines changes it.
    void LoadText(std::string_view text, const std::string& sourceName);
    void DeclareProperties(TClassInfo& cls, std::string_view lines) const;

    // Our own compiled-in catalogue, whose every line a test checks, is not checked nor made
    // at each start: its unindented lines are looked at to know where each class and type is,
    // and a class is made when first asked for. A run meets a few dozen of its 482 classes,
    // and making them all was most of a tool's start.
    struct Unmade {
        std::string_view name;    // as the text spells it
        std::string_view parent;  // empty: none
        std::string_view lines;   // its property lines
    };
    struct CompiledInType {
        std::string_view name;
        TTypeKind kind;
    };
    template <class T>
    struct ByNameOf {
        static std::string_view Key(const T& entry) { return entry.name; }
        static size_t Hash(std::string_view name) { return CaseInsensitiveHash{}(name); }
        static bool Equal(std::string_view a, std::string_view b) { return SameText(a, b); }
    };
    void IndexCompiledIn(std::string_view text);

    std::vector<std::unique_ptr<const std::string>> texts_;  // catalogues given by users

    // Mutable: a compiled-in class is made when first looked up.
    mutable std::unordered_map<std::string, std::unique_ptr<TClassInfo>, CaseInsensitiveHash, CaseInsensitiveEqual> classes_;
    std::unordered_map<std::string, TTypeKind, CaseInsensitiveHash, CaseInsensitiveEqual> types_;
    std::vector<Unmade> unmadeList_;  // kept once made
    TFlatIndex<const Unmade, ByNameOf<Unmade>> unmade_;
    std::vector<CompiledInType> compiledInTypeList_;
    TFlatIndex<const CompiledInType, ByNameOf<CompiledInType>> compiledInTypes_;
    std::unordered_map<const TClassInfo*, TFactory> factories_;
};

// The catalogue of this process.
TClassCatalogue& ClassCatalogue();
// A catalogue class by name, for C++ constructors; raises EClassNotFound.
const TClassInfo* ClassByName(std::string_view name);

}  // namespace vcl
