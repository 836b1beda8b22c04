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
#include <vector>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "platform/posix/NewFolder.h"
#include "platform/posix/ValuesFile.h"

namespace keelson::platform {

namespace {

constexpr std::size_t kUnknownCount = static_cast<std::size_t>(-1);

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

class FileKey : public SettingsKey {
  public:
    FileKey(std::string folder, bool writable) : folder_(std::move(folder)), writable_(writable) {}

    std::optional<StoredValue> Query(const std::string& name) override {
        // The file is parsed once for all the values a load reads.
        if (!cache_) {
            cache_ = ReadValues();
        }
        return FindValue(*cache_, name);
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
        try {
            return ParseValuesFile(content);
        } catch (const InvalidValuesFile& e) {
            throw RegistryError("Invalid values file '" + path + "' (line " +
                                std::to_string(e.line) + ")");
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
        std::optional<std::string> folder = KeyFolder(keyPath);
        if (!folder || !FolderReadable(*folder) ||
            (access == Access::Full && !FolderWritable(*folder))) {
            return nullptr;
        }
        return std::make_unique<FileKey>(*folder, access == Access::Full);
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
        std::optional<std::string> folder = KeyFolder(keyPath);
        if (!folder) {
            return nullptr;
        }
        return std::make_unique<FolderLock>(*folder + "/" + std::string(kValuesFileName));
    }

  private:
    // The folder of an existing key; nothing when the key is not there.
    std::optional<std::string> KeyFolder(const std::string& keyPath) const {
        std::optional<std::vector<std::string>> parts = SplitKeyPath(keyPath);
        if (!parts || !FolderExists(root_)) {
            return std::nullopt;
        }
        std::string folder = root_;
        for (const std::string& part : *parts) {
            std::optional<std::string> child = FindChildFolder(folder, part);
            if (!child) {
                return std::nullopt;
            }
            folder = *child;
        }
        return folder;
    }

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
