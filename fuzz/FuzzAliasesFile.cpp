// The aliases file: whatever the bytes, reading gives aliases and perhaps the first damaged
// line, never a crash; an undamaged file writes back byte-identical, and an alias added and
// removed again leaves the aliases as they were.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/db/AliasesFile.h"

namespace {

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.substr(0, 2000).c_str());
    std::abort();
}

bool Same(const std::vector<dbe::TAlias>& a, const std::vector<dbe::TAlias>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].driver != b[i].driver || a[i].params != b[i].params) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    dbe::TAliasesFile file(text);
    if (file.Damage()) return 0;
    if (file.Text() != text) Broken("an undamaged file does not write back byte-identical", text);
    const std::vector<dbe::TAlias> before = file.Aliases();
    // The value holds every byte a line cannot, and the name is one no file here can hold.
    const dbe::TAlias odd{"Fuzz_Added", "SQLITE", {{"PATH", std::string(" \0\n\r%;x\t", 8)}, {"MODE", "a=b;c:d"}}};
    for (const dbe::TAlias& a : before)
        if (vcl::SameText(a.name, odd.name)) return 0;
    file.Add(odd);
    dbe::TAliasesFile again(file.Text());
    if (again.Damage()) Broken("an added alias damages the file", *again.Damage() + "\n" + file.Text());
    if (again.Aliases().size() != before.size() + 1 || !Same({again.Aliases().back()}, {odd}))
        Broken("an added alias does not read back", file.Text());
    if (!again.Remove(odd.name) || !Same(again.Aliases(), before)) Broken("removing the alias changes others", file.Text());
    if (!before.empty()) {
        dbe::TAliasesFile less(text);
        less.Remove(before.front().name);
        dbe::TAliasesFile reread(less.Text());
        if (reread.Damage() || reread.Aliases().size() + 1 != before.size())
            Broken("removing the first alias damages the file or others", less.Text());
    }
    return 0;
}
