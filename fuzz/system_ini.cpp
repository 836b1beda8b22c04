// The system INI: the saved list reads back as written, and no line outside
// the engine section's ServerPackages lines changes or moves.

#include <vector>

#include "core/common/GameText.h"
#include "core/common/UTSharedUtils1.h"
#include "fuzz/FuzzSupport.h"
#include "core/packages/SvPackFiles.h"

using namespace keelson;

namespace {

// The lines that are no ServerPackages line of the first engine section.
std::vector<std::string_view> OtherLines(std::string_view text) {
    std::vector<std::string_view> lines;
    enum { Before, In, After } where = Before;
    for (std::string_view line : SplitGameTextLines(text)) {
        if (where == Before && EqualsUpper(line, "[ENGINE.GAMEENGINE]")) {
            where = In;
        } else if (where == In && !line.empty() && line[0] == '[') {
            where = After;
        }
        if (!(where == In && StartsWithUpper(line, "SERVERPACKAGES="))) {
            lines.push_back(line);
        }
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    std::string_view text = fuzz::Bytes(data, size);
    PackageList list;
    // Names from the input's first bytes, without line breaks.
    std::string name;
    for (char c : text.substr(0, 40)) {
        if (c == '\r' || c == '\n' || c == '\x1A' || c == ',') {
            if (!name.empty()) {
                list.Append(name);
            }
            name.clear();
        } else {
            name += c;
        }
    }
    list.Append(name + "Mod");
    std::optional<std::string> out = RewriteServerPackagesText(list, text);
    if (!out) {
        return 0;
    }
    const std::string path = fuzz::ScratchFolder() + "/UnrealTournament.ini";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out->data(), 1, out->size(), f);
    std::fclose(f);
    PackageList back;
    ReadServerPackages(back, path);
    FUZZ_CHECK(back.Entries() == list.Entries());
    FUZZ_CHECK(OtherLines(*out) == OtherLines(text));
    return 0;
}
