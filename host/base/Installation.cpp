#include "host/base/Installation.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "host/vcl/SysUtils.h"

namespace zorbase {

std::string ProgramFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || size_t(n) >= sizeof buffer) return {};
    std::string exe(buffer, size_t(n));
    return exe.substr(0, exe.find_last_of('/'));
}

std::string FindInstalledFile(FileKind kind, const std::string& name) {
    const std::string folder = ProgramFolder();
    if (folder.empty()) return {};
    const std::string prefix = folder.substr(0, folder.find_last_of('/'));  // PREFIX/bin
    const std::string installed = prefix + (kind == FileKind::Module ? "/lib/tavrinqa/" : "/share/tavrinqa/");
    // A build folder keeps modules beside the program and data in share/tavrinqa under it.
    const std::string built = folder + (kind == FileKind::Module ? "/" : "/share/tavrinqa/");
    for (const std::string& place : {built + name, installed + name}) {
        struct stat st {};
        if (::stat(place.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return place;
    }
    return {};
}

void* OpenModule(const std::string& name, const std::string& what) {
    const std::string path = FindInstalledFile(FileKind::Module, name);
    if (path.empty())
        throw vcl::EInOutError(what + " is missing (" + name + " not found beside the program or in ../lib/tavrinqa)");
    if (void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
    const char* why = ::dlerror();
    throw vcl::EInOutError(what + " cannot be loaded: " + (why != nullptr ? why : path));
}

void* ModuleEntry(void* module, const char* name, const std::string& what) {
    void* entry = ::dlsym(module, name);
    if (entry == nullptr) throw vcl::EInOutError(what + " lacks " + name);
    return entry;
}

}  // namespace zorbase
