#pragma once
// The Server Packages Editor's list and the rules that its buttons apply to
// it. The window and keelson-cli share them, so the list behaves the same
// whichever front end edits it.
//
// Letter case: comparisons upper-case only the letters a to z and then
// compare byte for byte; nothing is trimmed.

#include <array>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace keelson {

// A change to a PackageList, so that a list box can mirror the list
// without rebuilding itself: entries appended at the end, or entries
// removed (their old indices, ascending).
struct PackageListChange {
    enum class Kind { Appended, Removed };
    Kind kind = Kind::Appended;
    std::size_t first = 0;             // Appended: index of the first new entry
    std::size_t count = 0;             // Appended: number of new entries
    std::vector<std::size_t> removed;  // Removed: old indices, ascending
};

// The package list: package names in list order, exactly as they follow
// "ServerPackages=" in the system INI. Never sorted; duplicates allowed
// (loading the same system INI twice lists every entry twice). The first
// "already listed" test builds an index of its upper-cased entries, kept up
// to date from then on, so that AddPack does not scan the list; a list that
// is only read and written never builds it.
class PackageList {
  public:
    using ChangeListener = std::function<void(const PackageListChange&)>;

    PackageList() = default;
    PackageList(std::initializer_list<std::string> entries);
    // Copies and moves take the entries only: a listener stays with the list
    // that it watches, and hears an assignment as a removal and an append.
    PackageList(const PackageList& other);
    PackageList(PackageList&& other) noexcept;
    PackageList& operator=(const PackageList& other);
    PackageList& operator=(PackageList&& other);
    ~PackageList() = default;

    const std::vector<std::string>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }
    const std::string& operator[](std::size_t index) const { return entries_[index]; }
    std::vector<std::string>::const_iterator begin() const { return entries_.begin(); }
    std::vector<std::string>::const_iterator end() const { return entries_.end(); }

    // Appends entries whatever the list holds already.
    void Append(std::string entry);
    void AppendAll(std::vector<std::string> entries);

    // True when an entry equals the name ignoring the letter case of a to
    // z. An empty name is never listed.
    bool Holds(std::string_view name) const;

    // Removes every entry for which remove(index, entry) is true; the
    // others keep their order. Returns the number removed.
    std::size_t RemoveIf(const std::function<bool(std::size_t, const std::string&)>& remove);

    // Removes every entry.
    void Clear();

    // Called after every change (one listener; an empty function removes it).
    void SetChangeListener(ChangeListener listener) { listener_ = std::move(listener); }

  private:
    void Notify(const PackageListChange& change) const;
    void BuildIndex() const;

    std::vector<std::string> entries_;
    // Upper-cased entry -> how many entries have it; only once indexed_.
    mutable std::unordered_map<std::string, std::size_t> upperCounts_;
    mutable bool indexed_ = false;
    ChangeListener listener_;
};

// Adds the name at the end unless it is empty or the list holds it already
// (see Holds).
// Returns true when it was added.
bool AddPack(PackageList& list, std::string_view name);

// Adds the package that a file names: its file name without folder, cut at
// its last "." when it has one. The folder is not used.
bool AddPackFile(PackageList& list, std::string_view filePath);

// The package name that AddPackFile takes from a path.
std::string PackageNameOfFile(std::string_view filePath);

// The editor's fixed groups, in the order in which they are added.
inline constexpr std::array<std::string_view, 6> kUTStandardPackages = {
    "BotPack", "SoldierSkins", "SGirlSkins", "CommandoSkins", "FCommandoSkins", "BossSkins"};
inline constexpr std::array<std::string_view, 7> kEpicBonusPackPackages = {
    "MultiMesh",     "EpicCustomModels", "TSkMSkins",     "TNaliMeshSkins",
    "TCowMeshSkins", "Relics",           "RelicsBindings"};

// "UT (v420) standard packages" and "    Epic Bonus Pack (v100)     ":
// AddPack for each name of the group, in order. Return how many were added.
std::size_t AddUTStandardPackages(PackageList& list);
std::size_t AddEpicBonusPackPackages(PackageList& list);

// The methods of the text filter, in the order of the editor's drop-down
// list, and their captions.
enum class TextFilterMethod { Is, Contains, DoesntContain, StartsWith };
inline constexpr std::array<std::string_view, 4> kTextFilterMethodCaptions = {
    "is", "contains", "doesn't contain", "starts with"};

// The method at a position of the drop-down list; with no valid selection
// the filter behaves as "contains".
TextFilterMethod TextFilterMethodAt(int index);

// True when the text filter removes the entry: entry and filter text are
// both upper-cased (a to z), the filter text is not trimmed.
bool MatchesTextFilter(std::string_view entry, TextFilterMethod method,
                       std::string_view filterText);

// Removes every entry that MatchesTextFilter accepts; the rest keep their
// order. Returns the number removed.
std::size_t RemoveByTextFilter(PackageList& list, TextFilterMethod method,
                               std::string_view filterText);

// Removes every entry that equals one of the names ignoring the letter case
// of a to z (the text filter "is" for each name, in one pass over the list).
// Returns the number removed.
std::size_t RemoveByNames(PackageList& list, const std::vector<std::string>& names);

// Removes the entries at the given indices (in any order, repeats allowed).
// An index outside the list raises ListIndexError and removes nothing.
std::size_t RemoveSelected(PackageList& list, const std::vector<std::size_t>& indices);

}  // namespace keelson
