#pragma once
// The settings store on systems without a registry: a folder that stands for
// HKEY_LOCAL_MACHINE, one folder below it per key component (blanks kept),
// and each key's values in the file "values.reg" in its folder, one value a
// line in the value syntax of a REGEDIT4 file:
//   "UtBasePath"="/games/ut"            REG_SZ ("\\" and "\"" escaped)
//   "ExitOnRunUT"=dword:00000001        REG_DWORD
//   "Folder"=hex(2):63,3a,00            REG_EXPAND_SZ, any other type, or a
//                                       text holding CR, LF or NUL
// Blank lines, lines that begin with ";" and a "REGEDIT4" line are kept as
// they stand. Key and value names compare ignoring letter case; on a
// case-sensitive file system an existing folder is found whatever its case.

#include <memory>
#include <string>

#include "platform/SettingsStore.h"

namespace keelson::platform {

// The folder of the machine's store: $KEELSON_REGISTRY, or else
// $XDG_CONFIG_HOME/keelson/registry, or else ~/.config/keelson/registry.
std::string MachineStoreRoot();

// A store on a root folder, which need not exist yet: Create makes it.
std::unique_ptr<SettingsStore> OpenFileStore(const std::string& rootFolder);

}  // namespace keelson::platform
