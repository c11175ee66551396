#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Commands.h"
#include "host/vcl/SysUtils.h"

namespace app {

SettingsHome FindSettingsHome(const std::string& option) {
    if (!option.empty()) return {option};
    if (const char* home = std::getenv("TAVRINQA_HOME"); home != nullptr && *home != '\0') return {home};
    std::string config;
    // Relative values of XDG_CONFIG_HOME are to be ignored, as its convention says.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        config = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') {
            const passwd* user = ::getpwuid(::getuid());
            home = user != nullptr ? user->pw_dir : "/tmp";
        }
        config = std::string(home) + "/.config";
    }
    return {config + "/tavrinqa", true};
}

// Settings are a convenience: a folder that cannot be made is a warning, and the run goes on.
void MakeDefaultHome(const SettingsHome& home) {
    if (!home.isDefault) return;
    for (size_t slash = 1; slash != std::string::npos;) {
        slash = home.folder.find('/', slash + 1);
        const std::string part = home.folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            std::cerr << "tavrinqa: warning: cannot create the settings folder " << vcl::PrintableText(part)
                      << ": " << std::strerror(errno) << "\n";
            return;
        }
    }
}

}  // namespace app
