#pragma once
// The settings store of the desktop program, opened by the start-up
// sequence (never while the windows are created) and kept for the run.

#include "platform/SettingsStore.h"

namespace keelson {

// Opens the machine store on first use.
platform::SettingsStore& MachineStore();

// Drops the open store; the next use opens it afresh (window tests, which
// point KEELSON_REGISTRY at a new folder for every case).
void CloseMachineStore();

}  // namespace keelson
