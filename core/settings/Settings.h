#pragma once
// The program's settings: where the game's files are and four switches, kept
// in the settings store under "Software\Brindlewood\Keelson\1", held in
// memory in one record for the life of the process and handed out through
// the getters. Plain C++: the windows and keelson-cli share it.

#include <optional>
#include <string>
#include <string_view>

#include "platform/SettingsStore.h"

namespace keelson {

struct TAppSettings {
    std::string ProgramFolder;  // computed at every start, never stored
    std::string UtBasePath;
    std::string PathToUtSysIni;
    std::string PathToUtUserIni;
    std::string PathToUtExe;
    bool PromptToFindExe = false;
    bool PromptToFindIni = false;
    bool PromptToFindUser = false;
    bool ExitOnRunUT = false;
    bool SettingsPresent = false;  // never stored
};

// The one process-wide settings record.
extern TAppSettings AppSettings;

inline constexpr std::string_view kSettingsKeyPath = "Software\\Brindlewood\\Keelson\\1";
inline constexpr std::string_view kGameInstallerKeyPath =
    "Software\\Unreal Technology\\Installed Apps\\UnrealTournament";
inline constexpr std::string_view kCancelled = "<cancelled>";
// The dialog that picks the game's program. Linux installs start the game
// with ut-bin, ucc-bin or the script ut, or with any other program file, so
// there the dialog offers them too, and a filter of the files with execute
// permission (which the dialog applies by permission, not by name); no
// extension is added to a typed name.
inline constexpr std::string_view kProgramFilesDescription =
    "Programs (files with execute permission)";
#ifdef _WIN32
inline constexpr std::string_view kGameProgramFilter = "UT executable (*.exe)|*.exe";
inline constexpr std::string_view kGameProgramExt = "exe";
#else
inline constexpr std::string_view kGameProgramFilter =
    "UT executable (*.exe ut-bin ucc-bin ut)|*.exe;ut-bin;ucc-bin;ut|"
    "Programs (files with execute permission)|*";
inline constexpr std::string_view kGameProgramExt = "";
#endif

// What DetectGameFolder answers when no installer recorded the game's folder.
inline constexpr std::string_view kUndetectedGameFolder = "c:\\UnrealTournament";

// The file paths derived from a base folder, which is used unchanged:
// B + "\System\UnrealTournament.ini" on Windows, B + "/System/..." elsewhere.
void DerivePathsFromBase(TAppSettings& settings);

// The defaults when the settings key exists at start: "c:\unrealtournament",
// its derived paths, prompts off, ExitOnRunUT on.
void SetExistingKeyDefaults(TAppSettings& settings);

// The values a first start writes: the detected folder, its derived paths,
// prompts off, ExitOnRunUT on.
void SetFirstStartValues(TAppSettings& settings, const std::string& detectedFolder);

// Store operations. Loads raise RegistryError ("Invalid data type for
// 'X'", "Failed to get data for 'X'") and stop at that value; saves raise
// "Failed to set data for 'X'" and stop at the first value not written.
// SaveSettings makes a missing key with all eight values in one step, so
// that a failed or killed first save leaves no key at all.
bool SettingsKeyExists(platform::SettingsStore& store);
void LoadPathValues(platform::SettingsStore& store, TAppSettings& settings);
void LoadFlagValues(platform::SettingsStore& store, TAppSettings& settings);
void SavePathValues(platform::SettingsStore& store, const TAppSettings& settings);
void SaveFlagValues(platform::SettingsStore& store, const TAppSettings& settings);
void SaveSettings(platform::SettingsStore& store, const TAppSettings& settings);

// The game's folder as its installer recorded it, or "c:\UnrealTournament".
std::string DetectGameFolder(platform::SettingsStore& store);

// Records the game's folder where its installer would ("Folder" in the
// installer's key), for systems on which no installer does. Raises
// "Failed to set data for 'Folder'".
void RecordGameFolder(platform::SettingsStore& store, const std::string& folder);

// The uninstall's walk: deletes the settings key, then the product key and
// the maker key when they have no other subkeys. Deletes nothing else.
void RemoveSettingsKeys(platform::SettingsStore& store);

// True where the program runs from a folder of the system's package manager
// (on Linux, under /usr but not /usr/local): the user cannot delete that
// folder, and removes the package instead.
bool RunsFromSystemPackage(const std::string& programFolder);

// What a prompting getter asks for.
struct FilePrompt {
    std::string title;          // "Select UT system INI"
    std::string fileName;       // the stored path
    std::string filter;         // "UT system INI (*.ini)|*.ini"
    std::string defaultExt;     // "ini"
    std::string initialFolder;  // FolderOfPath of the stored path
};

// The seam through which the getters ask the user for a file; the windows
// provide it with the main window's open dialog. Without one, a getter whose
// prompt flag is set answers "<cancelled>".
class PathPrompter {
  public:
    virtual ~PathPrompter() = default;
    // The chosen file's full path, or nothing when the user cancels.
    virtual std::optional<std::string> AskForFile(const FilePrompt& prompt) = 0;
};
void SetPathPrompter(PathPrompter* prompter);

// The getters, answering from AppSettings. The three file getters ask
// through the prompter when their prompt flag is set; a cancelled prompt
// answers "<cancelled>", which is no path: test answers with
// GameFileExists, never with FileExists alone (on Linux a file may be
// called "<cancelled>"). A chosen file is used once and never stored.
// True when a getter's answer names an existing file: false for a cancelled
// prompt, whatever the folder holds.
bool GameFileExists(const std::string& answer);

std::string GetProgramFolder();
std::string GetGameFolder();
std::string GetSystemIniPath();
std::string GetUserIniPath();
std::string GetGameExePath();

// The folder of the presets: "presets" beside the executable, else, for an
// installed copy (bin/keelson), share/keelson/presets beside its bin folder.
// When neither exists, the one beside the executable.
std::string PresetsFolderOf(const std::string& programFolder);
std::string GetPresetsFolder();

}  // namespace keelson
