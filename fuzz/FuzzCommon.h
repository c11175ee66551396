// What every form-file fuzz target checks once an input has been read.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/formfile/FormFile.h"
#include "host/vcl/SysUtils.h"

namespace fuzz {

[[noreturn]] inline void Broken(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.substr(0, 2000).c_str());
    std::abort();
}

// A document that read fine must write back unchanged, and its text form is a fixed point of
// conversion both ways. Conversions may refuse what their target format cannot hold.
inline void CheckDocument(formfile::Document& doc) {
    using namespace formfile;
    if (doc.Write() != doc.Source()) Broken("unchanged document does not write back byte-identical");
    std::string text;
    try {
        text = ToText(doc);
    } catch (const vcl::EConvertError&) {
        return;
    }
    try {
        Document again = Document::Parse(text, "as-text");
        if (ToText(again) != text) Broken("text form is not a fixed point", text);
    } catch (const vcl::EParserError& e) {
        Broken("text form does not read back", std::string(e.what()) + "\n" + text);
    }
    std::string binary;
    try {
        binary = ToBinary(doc);
    } catch (const vcl::EConvertError&) {
        return;
    }
    try {
        Document again = Document::Parse(binary, "as-binary");
        if (ToText(again) != text) Broken("binary form reads back to another tree", text);
    } catch (const vcl::EParserError& e) {
        Broken("binary form does not read back", e.what());
    }
    // An edit leaves a file that reads back with the new value.
    auto props = doc.Root().Properties();
    if (!props.empty()) {
        std::string name(props[0].Name());
        props[0].SetValue(ValueData::Integer(-12345));
        std::string written = doc.Write();
        try {
            Document edited = Document::Parse(written, "edited");
            auto p = edited.Root().FindProperty(name);
            if (!p || p->GetValue().Kind() != ValueKind::Integer || p->GetValue().AsInteger() != -12345)
                Broken("edited value does not read back", written);
        } catch (const vcl::EParserError& e) {
            Broken("edited document does not read back", std::string(e.what()) + "\n" + written);
        }
    }
}

inline void Run(const uint8_t* data, size_t size) {
    try {
        formfile::Document doc = formfile::Document::Parse(std::string(reinterpret_cast<const char*>(data), size), "fuzz");
        CheckDocument(doc);
    } catch (const vcl::EParserError&) {
        // Refusing malformed input is the expected outcome for most inputs.
    }
}

}  // namespace fuzz
