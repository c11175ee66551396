// Where the program's own files are. Nothing of the build folder is compiled in: the program
// finds its modules and data from its own location, so a build folder or an installed tree
// (bin/, lib/tavrinqa/, share/tavrinqa/) works wherever it is moved.
#pragma once

#include <string>

namespace zorbase {

// The folder of the running program (/proc/self/exe); empty when it cannot be told.
std::string ProgramFolder();

// The places a module or data file may be, best first: beside the program (a build folder),
// then under the installation prefix (PROGRAM/../lib/tavrinqa or ../share/tavrinqa).
enum class FileKind { Module, Data };
std::string FindInstalledFile(FileKind kind, const std::string& name);

// dlopen()s a module of this program; raises vcl::EInOutError, naming what was tried, when it
// is missing or cannot be loaded.
void* OpenModule(const std::string& name, const std::string& what);
// A function of a module opened by OpenModule; raises vcl::EInOutError when it lacks one.
void* ModuleEntry(void* module, const char* name, const std::string& what);

}  // namespace zorbase
