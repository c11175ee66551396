// Helpers shared by the form-file tests: the corpus, hand-built streams, error expectations.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/formfile/FormFile.h"
#include "host/vcl/SysUtils.h"
#include "tests/support/TestSupport.h"

namespace fftest {

struct CorpusFile {
    std::string path;
    std::string notes;
    bool Binary() const { return notes.find("dfm-binary") != std::string::npos; }
    bool Malformed() const { return notes.find("malformed") != std::string::npos; }
};

// Every file MANIFEST.tsv lists; empty when the corpus is not there.
inline const std::vector<CorpusFile>& Corpus() {
    static const std::vector<CorpusFile> files = [] {
        std::vector<CorpusFile> out;
        for (auto& [path, notes] : testsupport::CorpusForms()) out.push_back({path, notes});
        return out;
    }();
    return files;
}

#define SKIP_WITHOUT_CORPUS() \
    if (fftest::Corpus().empty()) GTEST_SKIP() << "form corpus not found at " TAVRIN_FORMS_DIR

inline formfile::Document Parse(const std::string& text) { return formfile::Document::Parse(text, "test.dfm"); }

// Builds "TPF0" streams by hand, piece by piece.
struct Stream {
    std::string b = "TPF0";
    Stream& Byte(int v) { b += static_cast<char>(v); return *this; }
    Stream& Le(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
        return *this;
    }
    Stream& Short(const std::string& s) { Byte(static_cast<int>(s.size())); b += s; return *this; }
    Stream& Raw(const void* p, size_t n) { b.append(static_cast<const char*>(p), n); return *this; }
    Stream& Header(const std::string& cls, const std::string& name) { return Short(cls).Short(name); }
    Stream& Prop(const std::string& name, int va) { return Short(name).Byte(va); }
    Stream& End() { return Byte(0); }
};

struct ParseFailure {
    int line = -1;
    int column = -1;
    std::string reason;
};

// The error a malformed input raises; fails the test when it reads fine.
inline ParseFailure FailureOf(const std::string& bytes) {
    try {
        formfile::Document::Parse(bytes, "bad.dfm");
    } catch (const vcl::EParserError& e) {
        return {e.Line(), e.Column(), e.Reason()};
    }
    ADD_FAILURE() << "no error for input:\n" << bytes.substr(0, 200);
    return {};
}

// Equal values, and an 8-bit string with bytes above 127 is not the same as a wide string of
// the letters those bytes are in Latin-1.
inline bool SameValue(const formfile::ValueData& a, const formfile::ValueData& b) {
    if (!(a == b)) return false;
    auto high = [](const formfile::ValueData& v) {
        for (char16_t u : v.Utf16())
            if (u > 127) return true;
        return false;
    };
    if (a.kind == formfile::ValueKind::String && a.isWide != b.isWide && high(a)) return false;
    for (size_t i = 0; i < a.items.size(); ++i)
        if (!SameValue(a.items[i], b.items[i])) return false;
    for (size_t i = 0; i < a.collection.size(); ++i)
        for (size_t k = 0; k < a.collection[i].properties.size(); ++k)
            if (!SameValue(a.collection[i].properties[k].value, b.collection[i].properties[k].value)) return false;
    return true;
}

// First difference between two trees, or empty when they hold the same objects and values.
inline std::string TreeDifference(formfile::Object a, formfile::Object b, const std::string& path = "") {
    std::string here = path + "/" + std::string(a.Name()) + ":" + std::string(a.ClassName());
    if (a.Name() != b.Name() || a.ClassName() != b.ClassName())
        return here + " header differs from " + std::string(b.Name()) + ":" + std::string(b.ClassName());
    if (a.Flags() != b.Flags() || a.Order() != b.Order()) return here + " flags or order differ";
    auto pa = a.Properties(), pb = b.Properties();
    if (pa.size() != pb.size()) return here + " property count differs";
    for (size_t i = 0; i < pa.size(); ++i) {
        if (pa[i].Name() != pb[i].Name()) return here + " property " + std::string(pa[i].Name()) + " renamed";
        if (!SameValue(pa[i].GetValue().ToData(), pb[i].GetValue().ToData()))
            return here + "." + std::string(pa[i].Name()) + " value differs";
    }
    auto ca = a.Children(), cb = b.Children();
    if (ca.size() != cb.size()) return here + " child count differs";
    for (size_t i = 0; i < ca.size(); ++i) {
        std::string d = TreeDifference(ca[i], cb[i], here);
        if (!d.empty()) return d;
    }
    return {};
}

}  // namespace fftest
