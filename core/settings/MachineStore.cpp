#include "core/settings/MachineStore.h"

#include <memory>

namespace keelson {

namespace {
std::unique_ptr<platform::SettingsStore>& OpenStore() {
    static std::unique_ptr<platform::SettingsStore> store;
    return store;
}
}  // namespace

platform::SettingsStore& MachineStore() {
    if (!OpenStore()) {
        OpenStore() = platform::OpenMachineStore();
    }
    return *OpenStore();
}

void CloseMachineStore() {
    OpenStore().reset();
}

}  // namespace keelson
