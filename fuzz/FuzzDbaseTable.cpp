// dBASE table headers (.dbf): our bounded check, then shapelib's reader behind it, as the
// standard driver opens a table. shapelib reads files, so each input is written to one.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "host/db/Dbase.h"
#include "host/vcl/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/tavrin-fuzz-dbase-" + std::to_string(::getpid()) + ".dbf";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    try {
        const dbe::TDbaseFile file(path);
        for (int i = 0; i < DBFGetFieldCount(file.get()); ++i) DBFGetNativeFieldType(file.get(), i);
        file.FieldNames();
    } catch (const vcl::EDBEngineError&) {
    }
    return 0;
}
