// What the program's commands share: exit statuses and where the user's settings live.
#pragma once

#include <string>
#include <vector>

namespace app {

constexpr int kToolRan = 0;
constexpr int kToolFailed = 1;
constexpr int kUsage = 2;

// Where tavrinqa.ini and the aliases live. The QA component keeps its settings beside the
// host executable; an installed program's folder is read-only and shared, so the program
// plays a host whose executable sits in the user's own settings folder.
struct SettingsHome {
    std::string folder;
    bool isDefault = false;  // the user's configuration folder, made when missing
};

// --home, else $TAVRINQA_HOME, else $XDG_CONFIG_HOME/tavrinqa, else ~/.config/tavrinqa.
SettingsHome FindSettingsHome(const std::string& option);
// Makes the default folder when it is missing; a folder that cannot be made is a warning.
void MakeDefaultHome(const SettingsHome& home);
inline std::string HostExecutable(const SettingsHome& home) { return home.folder + "/tavrinqa"; }

// The database engine with its aliases file in the settings home.
void ConfigureEngine(const SettingsHome& home);
// catalogue databases | tables DB [--system] [--extended] | procedures DB | fields DB TABLE |
// indexes DB TABLE
int RunCatalogue(const SettingsHome& home, const std::vector<std::string>& args, bool system, bool extended);
// alias add NAME PATH|URI | alias list | alias remove NAME
int RunAlias(const SettingsHome& home, const std::string& action, const std::vector<std::string>& args);

}  // namespace app
