#include "core/packages/SvPackFiles.h"

#include <algorithm>
#include <cstring>

#include "core/common/GameText.h"
#include "core/common/UTSharedUtils1.h"
#include "platform/FileSystem.h"

namespace keelson {

namespace {

constexpr std::string_view kEngineEngineHeader = "[ENGINE.ENGINE]";
constexpr std::string_view kGameEngineKey = "GAMEENGINE=";
constexpr std::string_view kSystemHeader = "[CORE.SYSTEM]";
constexpr std::string_view kServerPackagesKey = "SERVERPACKAGES=";
constexpr std::string_view kPathsKey = "PATHS=";
constexpr std::string_view kWrittenKey = "ServerPackages=";

// The game reads a section from its header to the next line that begins
// with "[": empty lines inside it (common in hand-edited files) do not end it.
bool EndsSection(std::string_view line) {
    return !line.empty() && line[0] == '[';
}

// A line visitor that calls add(value) for every value of the key in the
// first section with that header, and stops at the section's end. A key
// spelt as the program writes it (spelt, when given) is known without
// upper-casing it: in a long list nearly every line is one.
template <typename Add>
auto SectionValues(std::string_view header, std::string_view key, Add add,
                   std::string_view spelt = {}) {
    return [header, key, add, spelt, inSection = false](std::string_view line, bool) mutable {
        if (!inSection) {
            inSection = EqualsUpper(line, header);
            return true;
        }
        if (EndsSection(line)) {
            return false;
        }
        if ((!spelt.empty() && line.starts_with(spelt)) || StartsWithUpper(line, key)) {
            add(line.substr(key.size()));
        }
        return true;
    };
}

// Calls add(value) for every value of the key in the first section with
// that header.
template <typename Add>
void ForEachSectionValue(std::string_view text, std::string_view header, std::string_view key,
                         Add add) {
    ForEachGameTextLine(text, SectionValues(header, key, add));
}

}  // namespace

// A line break or Ctrl-Z inside an entry would end its line early and turn
// the rest into a line of its own.
void CheckWritablePackageNames(const PackageList& list) {
    for (const std::string& entry : list) {
        if (entry.find_first_of("\r\n\x1A") != std::string::npos) {
            throw KeelsonError(
                "Invalid package name: a name cannot contain a line break or a Ctrl-Z character");
        }
    }
}

std::string SectionHeader(std::string_view name) {
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
        return std::string(name);
    }
    return "[" + std::string(name) + "]";
}

void ForEachServerPackage(std::string_view text, std::string_view section,
                          const std::function<void(std::string_view value)>& each) {
    ForEachSectionValue(text, UpperAscii(SectionHeader(section)), kServerPackagesKey, each);
}

void ForEachServerPackageInFile(const std::string& systemIniPath, std::string_view section,
                                const std::function<void(std::string_view value)>& each,
                                std::size_t chunkSize) {
    const std::string header = UpperAscii(SectionHeader(section));
    ForEachGameTextLineInFile(
        systemIniPath, SectionValues(header, kServerPackagesKey, each, kWrittenKey), chunkSize);
}

void ReadServerPackages(PackageList& list, const std::string& systemIniPath,
                        std::string_view section) {
    const std::string text = platform::ReadWholeFile(systemIniPath);
    std::vector<std::string> values;
    ForEachServerPackage(text, section,
                         [&](std::string_view value) { values.emplace_back(value); });
    list.AppendAll(std::move(values));
}

std::optional<std::string> RewriteServerPackagesText(const PackageList& list, std::string_view text,
                                                     std::string_view section) {
    const std::string engineHeader = UpperAscii(SectionHeader(section));
    std::size_t listBytes = 0;
    for (const std::string& entry : list) {
        listBytes += kWrittenKey.size() + entry.size() + 2;
    }
    std::string out;
    // Room for the list and for CR LF where the file has lone line ends.
    out.reserve(text.size() + text.size() / 16 + listBytes);
    // Lines that already end with CR LF and stay are copied in one piece.
    const char* runStart = nullptr;
    const char* runEnd = nullptr;
    auto flush = [&] {
        if (runStart != nullptr) {
            out.append(runStart, static_cast<std::size_t>(runEnd - runStart));
            runStart = nullptr;
        }
    };
    auto addLine = [&](std::string_view line) { out.append(line).append("\r\n"); };
    auto addList = [&] {
        flush();
        for (const std::string& entry : list) {
            out.append(kWrittenKey).append(entry).append("\r\n");
        }
    };
    // Only the engine section's ServerPackages lines are the list; the list
    // goes before the section's first empty line, else before the next
    // section's header, else at the end of the file.
    enum { BeforeHeader, InSection, AfterSection } where = BeforeHeader;
    bool listInserted = false;
    out.append(LeadingBom(text));
    ForEachGameTextLine(text, [&](std::string_view line, bool endsWithCrLf) {
        if (where == BeforeHeader) {
            if (EqualsUpper(line, engineHeader)) {
                where = InSection;
            }
        } else if (where == InSection) {
            if (EndsSection(line)) {
                where = AfterSection;
            }
            if (!listInserted && (line.empty() || where == AfterSection)) {
                addList();
                listInserted = true;
            }
        }
        if (where == InSection && StartsWithUpper(line, kServerPackagesKey)) {
            flush();
        } else if (endsWithCrLf) {
            if (runStart == nullptr) {
                runStart = line.data();
            }
            runEnd = line.data() + line.size() + 2;
        } else {
            flush();
            addLine(line);
        }
        return true;
    });
    flush();
    if (where == BeforeHeader) {
        return std::nullopt;
    }
    // The engine section runs to the end of the file.
    if (!listInserted) {
        addList();
    }
    return out;
}

std::optional<ContentProblem> WriteServerPackages(const PackageList& list,
                                                  const std::string& systemIniPath,
                                                  std::string_view section) {
    if (list.Empty()) {
        return std::nullopt;
    }
    CheckWritablePackageNames(list);
    // Held from the read to the rewrite, so that a change another program
    // makes meanwhile is not lost.
    platform::FileLock lock(systemIniPath);
    const std::string original = platform::ReadWholeFile(systemIniPath);
    std::optional<std::string> rewritten = RewriteServerPackagesText(list, original, section);
    if (!rewritten) {
        return ContentProblem{{std::string(kNotUtIniMessage)}};
    }
    // A file that holds the list already is not written, and keeps no
    // version and asks about no running game.
    if (*rewritten == original) {
        return std::nullopt;
    }
    platform::WriteFileAtomically(systemIniPath, *rewritten,
                                  platform::CreateFailure::CannotCreateFile,
                                  platform::GameFile::Ini);
    return std::nullopt;
}

std::string ReadGameEngineClass(const std::string& systemIniPath) {
    const std::string text = platform::ReadWholeFile(systemIniPath);
    std::string engine;
    ForEachSectionValue(text, kEngineEngineHeader, kGameEngineKey, [&](std::string_view value) {
        if (engine.empty()) {
            engine = value;
        }
    });
    return engine;
}

void ReadSystemPaths(std::vector<std::string>& paths, const std::string& systemIniPath) {
    const std::string text = platform::ReadWholeFile(systemIniPath);
    ForEachSectionValue(text, kSystemHeader, kPathsKey,
                        [&](std::string_view value) { paths.emplace_back(value); });
}

}  // namespace keelson
