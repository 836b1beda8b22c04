#include "platform/posix/FileSettingsStore.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/Errors.h"
#include "platform/PathText.h"
#include "platform/FileSystem.h"
#include "platform/posix/NewFolder.h"

namespace keelson::platform {

namespace {

constexpr std::string_view kValuesFileName = "values.reg";
constexpr std::size_t kUnknownCount = static_cast<std::size_t>(-1);

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// Writable for the store: the system allows it and the folder has write
// permission bits. Root may write anywhere, but a folder without write bits
// is read-only to the store, as a key without write rights is in the
// registry.
bool FolderWritable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0222) != 0 &&
           ::access(path.c_str(), W_OK | X_OK) == 0;
}

bool FolderReadable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(path.c_str(), R_OK | X_OK) == 0;
}

// The components of a key path ("Software\Brindlewood"), or nothing when one
// of them cannot name a key folder. Separators at either end are ignored.
std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path) {
    while (!path.empty() && path.front() == '\\') {
        path.remove_prefix(1);
    }
    while (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
    }
    std::vector<std::string> parts;
    if (path.empty()) {
        return parts;
    }
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find('\\', start);
        std::string_view part =
            path.substr(start, end == std::string_view::npos ? end : end - start);
        // A folder that a killed save left unfinished is never a key.
        if (part.empty() || part == "." || part == ".." || SameName(part, kValuesFileName) ||
            IsUnfinishedFolderName(part) || part.find('/') != std::string_view::npos ||
            part.find('\0') != std::string_view::npos) {
            return std::nullopt;
        }
        parts.emplace_back(part);
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// The subfolder of folder named name ignoring letter case: the exact name
// when it exists, else the first match in name order.
std::optional<std::string> FindChildFolder(const std::string& folder, const std::string& name) {
    std::string exact = folder + "/" + name;
    if (FolderExists(exact)) {
        return exact;
    }
    std::vector<std::string> matches;
    for (const std::string& entry : ListFolder(folder)) {
        if (SameName(entry, name) && FolderExists(folder + "/" + entry)) {
            matches.push_back(entry);
        }
    }
    if (matches.empty()) {
        return std::nullopt;
    }
    std::sort(matches.begin(), matches.end());
    return folder + "/" + matches.front();
}

// ---- values.reg -------------------------------------------------------

// One logical line of a values file. Lines that are not values, and values
// that were not changed, are written back exactly as they were read.
struct ValuesLine {
    std::string raw;
    bool isValue = false;
    std::string name;
    StoredValue value;
};

struct ParseFailure {};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

// A quoted text at the start of s ("\\" and "\"" escaped); s moves past it.
std::string ParseQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') {
        throw ParseFailure{};
    }
    std::string text;
    std::size_t i = 1;
    for (;; ++i) {
        if (i >= s.size()) {
            throw ParseFailure{};
        }
        char c = s[i];
        if (c == '"') {
            break;
        }
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
                throw ParseFailure{};
            }
            c = s[++i];
        }
        text.push_back(c);
    }
    s.remove_prefix(i + 1);
    return text;
}

// Up to eight hexadecimal digits, the whole of s.
std::uint32_t ParseHexNumber(std::string_view s) {
    if (s.empty() || s.size() > 8) {
        throw ParseFailure{};
    }
    std::uint32_t n = 0;
    for (char c : s) {
        int d = HexDigitValue(c);
        if (d < 0) {
            throw ParseFailure{};
        }
        n = n * 16 + static_cast<std::uint32_t>(d);
    }
    return n;
}

// "63,3a,00": two hex digits per byte, commas between, blanks allowed.
std::string ParseHexBytes(std::string_view s) {
    std::string bytes;
    s = TrimBlanks(s);
    if (s.empty()) {
        return bytes;
    }
    for (;;) {
        std::size_t comma = s.find(',');
        std::string_view item = TrimBlanks(s.substr(0, comma));
        if (item.size() != 2 || HexDigitValue(item[0]) < 0 || HexDigitValue(item[1]) < 0) {
            throw ParseFailure{};
        }
        bytes.push_back(static_cast<char>(HexDigitValue(item[0]) * 16 + HexDigitValue(item[1])));
        if (comma == std::string_view::npos) {
            return bytes;
        }
        s.remove_prefix(comma + 1);
    }
}

// Parses one logical value line: "Name"=data, or @=data for the unnamed value.
void ParseValue(std::string_view line, ValuesLine& out) {
    std::string_view s = TrimBlanks(line);
    if (!s.empty() && s.front() == '@') {
        out.name.clear();
        s.remove_prefix(1);
    } else {
        out.name = ParseQuoted(s);
    }
    s = TrimBlanks(s);
    if (s.empty() || s.front() != '=') {
        throw ParseFailure{};
    }
    s = TrimBlanks(s.substr(1));
    if (!s.empty() && s.front() == '"') {
        std::string text = ParseQuoted(s);
        if (!TrimBlanks(s).empty()) {
            throw ParseFailure{};
        }
        out.value.type = kRegSz;
        out.value.data = text + '\0';
    } else if (StartsWithNoCase(s, "dword:")) {
        std::uint32_t n = ParseHexNumber(s.substr(6));
        out.value.type = kRegDword;
        out.value.data.clear();
        for (int i = 0; i < 4; ++i) {
            out.value.data.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
        }
    } else if (StartsWithNoCase(s, "hex:")) {
        out.value.type = 3;  // REG_BINARY, as regedit writes it
        out.value.data = ParseHexBytes(s.substr(4));
    } else if (StartsWithNoCase(s, "hex(")) {
        std::size_t close = s.find("):");
        if (close == std::string_view::npos) {
            throw ParseFailure{};
        }
        out.value.type = ParseHexNumber(s.substr(4, close - 4));
        out.value.data = ParseHexBytes(s.substr(close + 2));
    } else {
        throw ParseFailure{};
    }
    out.isValue = true;
}

// True when a value line holds hex data (which may go on over more lines).
bool IsHexValue(std::string_view line) {
    std::string_view s = TrimBlanks(line);
    try {
        if (!s.empty() && s.front() == '@') {
            s.remove_prefix(1);
        } else {
            ParseQuoted(s);
        }
    } catch (const ParseFailure&) {
        return false;
    }
    s = TrimBlanks(s);
    return !s.empty() && s.front() == '=' && StartsWithNoCase(TrimBlanks(s.substr(1)), "hex");
}

bool IsKeptAsItStands(std::string_view line) {
    std::string_view s = TrimBlanks(line);
    return s.empty() || s.front() == ';' || s == "REGEDIT4";
}

// The lines of a values file. A hex value may go on over several lines, each
// but the last ending in "\", as regedit writes long values. Throws
// ParseFailure with line set to the (1-based) line that is wrong.
std::vector<ValuesLine> ParseValuesFile(std::string_view content, std::size_t& line) {
    std::vector<std::string_view> physical;
    for (std::size_t start = 0; start < content.size();) {
        std::size_t end = content.find('\n', start);
        std::string_view l =
            content.substr(start, end == std::string_view::npos ? end : end - start);
        if (!l.empty() && l.back() == '\r') {
            l.remove_suffix(1);
        }
        physical.push_back(l);
        start = end == std::string_view::npos ? content.size() : end + 1;
    }
    std::vector<ValuesLine> lines;
    std::unordered_set<std::string> names;  // upper-cased, to find a name given twice
    for (std::size_t i = 0; i < physical.size(); ++i) {
        line = i + 1;
        ValuesLine entry;
        entry.raw = std::string(physical[i]);
        if (IsKeptAsItStands(physical[i])) {
            lines.push_back(std::move(entry));
            continue;
        }
        std::string logical = std::string(TrimBlanks(physical[i]));
        while (!logical.empty() && logical.back() == '\\' && i + 1 < physical.size() &&
               IsHexValue(logical)) {
            logical.pop_back();
            ++i;
            logical += TrimBlanks(physical[i]);
            entry.raw += '\n';
            entry.raw += physical[i];
        }
        ParseValue(logical, entry);
        if (!names.insert(UpperAscii(entry.name)).second) {
            throw ParseFailure{};  // two values of one name
        }
        lines.push_back(std::move(entry));
    }
    return lines;
}

std::string QuotedText(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

bool CanStandBetweenQuotes(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string HexText(std::uint32_t n, int minDigits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[n & 0xF]);
        n >>= 4;
    } while (n != 0);
    while (static_cast<int>(out.size()) < minDigits) {
        out.insert(out.begin(), '0');
    }
    return out;
}

// The line for a value; nothing when its name cannot be written.
std::optional<std::string> FormatValueLine(const std::string& name, const StoredValue& value) {
    if (!CanStandBetweenQuotes(name)) {
        return std::nullopt;
    }
    std::string line = name.empty() ? "@" : QuotedText(name);
    line += '=';
    const std::string& data = value.data;
    if (value.type == kRegSz && !data.empty() && data.back() == '\0' &&
        CanStandBetweenQuotes(std::string_view(data).substr(0, data.size() - 1))) {
        line += QuotedText(std::string_view(data).substr(0, data.size() - 1));
    } else if (value.type == kRegDword && data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) {
            n = (n << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
        }
        line += "dword:" + HexText(n, 8);
    } else {
        line += "hex(" + HexText(value.type, 1) + "):";
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (i > 0) {
                line += ',';
            }
            line += HexText(static_cast<unsigned char>(data[i]), 2);
        }
    }
    return line;
}

// The content of a values file of these lines with the values set in it;
// nothing when a value's name cannot be written.
std::optional<std::string> ValuesFileWith(std::vector<ValuesLine> lines,
                                          const StoredValues& values) {
    for (const auto& entry : values) {
        const std::string& name = entry.first;
        const StoredValue& value = entry.second;
        std::optional<std::string> formatted = FormatValueLine(name, value);
        if (!formatted) {
            return std::nullopt;
        }
        auto found = std::find_if(lines.begin(), lines.end(), [&](const ValuesLine& line) {
            return line.isValue && SameName(line.name, name);
        });
        if (found != lines.end()) {
            // The value keeps the spelling of its name as the file has it.
            std::optional<std::string> kept = FormatValueLine(found->name, value);
            found->raw = kept ? *kept : *formatted;
        } else {
            ValuesLine added;
            added.raw = *formatted;
            added.isValue = true;
            added.name = name;
            lines.push_back(std::move(added));
        }
    }
    std::string content;
    for (const ValuesLine& line : lines) {
        content += line.raw;
        content += '\n';
    }
    return content;
}

// ---- keys and the store -------------------------------------------------

class FileKey : public SettingsKey {
  public:
    FileKey(std::string folder, bool writable) : folder_(std::move(folder)), writable_(writable) {}

    std::optional<StoredValue> Query(const std::string& name) override {
        // The file is parsed once for all the values a load reads.
        if (!cache_) {
            cache_ = ReadValues();
        }
        for (const ValuesLine& line : *cache_) {
            if (line.isValue && SameName(line.name, name)) {
                return line.value;
            }
        }
        return std::nullopt;
    }

    bool Set(const std::string& name, const StoredValue& value) override {
        return SetValues({{name, value}}) == 1;
    }

    // All values in one rewrite of the file: a kill or a full disk leaves
    // the old file or the new one, never a part.
    std::size_t SetValues(const StoredValues& values) override {
        cache_.reset();
        if (!writable_ || !FolderWritable(folder_)) {
            return 0;
        }
        FileLock lock(ValuesPath());
        // An existing file that cannot be read or parsed raises here, so a
        // save never replaces values that a load could not see.
        std::optional<std::string> content = ValuesFileWith(ReadValues(), values);
        if (!content) {
            return 0;
        }
        try {
            WriteFileAtomically(ValuesPath(), *content);
        } catch (const FileBusyError&) {
            throw;
        } catch (const FileError&) {
            return 0;
        }
        return values.size();
    }

    std::size_t SubkeyCount() override {
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder_.c_str()), ::closedir);
        if (!dir) {
            return kUnknownCount;
        }
        std::size_t count = 0;
        while (const dirent* entry = ::readdir(dir.get())) {
            std::string_view name = entry->d_name;
            if (name != "." && name != ".." && !IsUnfinishedFolderName(name) &&
                FolderExists(folder_ + "/" + std::string(name))) {
                ++count;
            }
        }
        return count;
    }

    bool DeleteSubkeyTree(const std::string& name) override {
        if (!writable_ || !FolderWritable(folder_)) {
            return false;
        }
        std::optional<std::vector<std::string>> parts = SplitKeyPath(name);
        if (!parts || parts->size() != 1) {
            return false;
        }
        std::optional<std::string> child = FindChildFolder(folder_, parts->front());
        if (!child) {
            return false;
        }
        namespace fs = std::filesystem;
        std::error_code ec;
        // Every folder of the tree must be writable, so that a key the
        // store may not change is not half deleted. Links are removed, never
        // followed.
        if (!fs::is_symlink(*child, ec)) {
            if (!FolderWritable(*child)) {
                return false;
            }
            for (auto it = fs::recursive_directory_iterator(*child, ec);
                 !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
                if (it->is_directory(ec) && !it->is_symlink(ec) &&
                    !FolderWritable(it->path().string())) {
                    return false;
                }
            }
            if (ec) {
                return false;
            }
        }
        fs::remove_all(*child, ec);
        return !ec;
    }

  private:
    std::string ValuesPath() const { return folder_ + "/" + std::string(kValuesFileName); }

    std::vector<ValuesLine> ReadValues() const {
        const std::string path = ValuesPath();
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
            return {};
        }
        std::string content;
        try {
            content = ReadWholeFile(path);
        } catch (const FileError& e) {
            throw RegistryError("Cannot read the values file '" + path + "' (" + e.what() + ")");
        }
        std::size_t line = 0;
        try {
            return ParseValuesFile(content, line);
        } catch (const ParseFailure&) {
            throw RegistryError("Invalid values file '" + path + "' (line " + std::to_string(line) +
                                ")");
        }
    }

    std::string folder_;
    bool writable_;
    std::optional<std::vector<ValuesLine>> cache_;
};

class FolderLock : public SettingsStore::ChangeLock {
  public:
    explicit FolderLock(const std::string& path) : lock_(path) {}

  private:
    FileLock lock_;
};

class FileStore : public SettingsStore {
  public:
    explicit FileStore(std::string root) : root_(std::move(root)) {}

    std::unique_ptr<SettingsKey> Open(const std::string& keyPath, Access access) override {
        std::optional<std::vector<std::string>> parts = SplitKeyPath(keyPath);
        if (!parts || !FolderExists(root_)) {
            return nullptr;
        }
        std::string folder = root_;
        for (const std::string& part : *parts) {
            std::optional<std::string> child = FindChildFolder(folder, part);
            if (!child) {
                return nullptr;
            }
            folder = *child;
        }
        if (!FolderReadable(folder) || (access == Access::Full && !FolderWritable(folder))) {
            return nullptr;
        }
        return std::make_unique<FileKey>(folder, access == Access::Full);
    }

    std::unique_ptr<SettingsKey> Create(const std::string& keyPath) override {
        std::optional<std::vector<std::string>> parts = SplitKeyPath(keyPath);
        if (!parts) {
            return nullptr;
        }
        std::optional<std::string> folder = MakeFolders(*parts);
        if (!folder || !FolderReadable(*folder) || !FolderWritable(*folder)) {
            return nullptr;
        }
        return std::make_unique<FileKey>(*folder, true);
    }

    // The key's folder is made under a temporary name with its values file
    // inside, and takes the key's name in one rename.
    std::optional<std::size_t> CreateWithValues(const std::string& keyPath,
                                                const StoredValues& values) override {
        std::optional<std::vector<std::string>> parts = SplitKeyPath(keyPath);
        if (!parts || parts->empty()) {
            return SettingsStore::CreateWithValues(keyPath, values);
        }
        const std::string name = parts->back();
        parts->pop_back();
        std::optional<std::string> parent = MakeFolders(*parts);
        if (!parent) {
            return 0;
        }
        if (FindChildFolder(*parent, name)) {
            return std::nullopt;
        }
        std::optional<std::string> content = ValuesFileWith({}, values);
        if (!FolderWritable(*parent) || !content) {
            return 0;
        }
        try {
            if (!MakeFolderWithFile(*parent + "/" + name, std::string(kValuesFileName), *content)) {
                return std::nullopt;
            }
        } catch (const FileError&) {
            return 0;
        }
        return values.size();
    }

    std::string Describe() const override { return root_; }

    // Locks the key's values file (its folder while the file does not exist
    // yet); nothing when the key's folder is not there.
    std::unique_ptr<ChangeLock> LockForChange(const std::string& keyPath) override {
        std::optional<std::vector<std::string>> parts = SplitKeyPath(keyPath);
        if (!parts || !FolderExists(root_)) {
            return nullptr;
        }
        std::string folder = root_;
        for (const std::string& part : *parts) {
            std::optional<std::string> child = FindChildFolder(folder, part);
            if (!child) {
                return nullptr;
            }
            folder = *child;
        }
        return std::make_unique<FolderLock>(folder + "/" + std::string(kValuesFileName));
    }

  private:
    // The folder of a key path's components, made where missing; nothing
    // when one cannot be made.
    std::optional<std::string> MakeFolders(const std::vector<std::string>& parts) {
        // Another program may make the same folders at the same time.
        std::error_code ec;
        if (!FolderExists(root_) && !std::filesystem::create_directories(root_, ec) &&
            !FolderExists(root_)) {
            return std::nullopt;
        }
        std::string folder = root_;
        for (const std::string& part : parts) {
            std::optional<std::string> child = FindChildFolder(folder, part);
            if (!child) {
                if (!FolderWritable(folder)) {
                    return std::nullopt;
                }
                std::string made = folder + "/" + part;
                if (::mkdir(made.c_str(), 0777) != 0 && !FolderExists(made)) {
                    return std::nullopt;
                }
                child = made;
            }
            folder = *child;
        }
        return folder;
    }

    std::string root_;
};

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid());
        entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return ".";
}

}  // namespace

std::string MachineStoreRoot() {
    if (const char* root = std::getenv("KEELSON_REGISTRY"); root != nullptr && *root != '\0') {
        return root;
    }
    // XDG_CONFIG_HOME counts only when it is an absolute path.
    if (const char* config = std::getenv("XDG_CONFIG_HOME");
        config != nullptr && config[0] == '/') {
        return std::string(config) + "/keelson/registry";
    }
    return HomeFolder() + "/.config/keelson/registry";
}

std::unique_ptr<SettingsStore> OpenFileStore(const std::string& rootFolder) {
    return std::make_unique<FileStore>(rootFolder);
}

std::unique_ptr<SettingsStore> OpenMachineStore() {
    return OpenFileStore(MachineStoreRoot());
}

}  // namespace keelson::platform
