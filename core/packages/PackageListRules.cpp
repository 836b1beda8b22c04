#include "core/packages/PackageListRules.h"

#include <algorithm>
#include <unordered_set>

#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"

namespace keelson {

PackageList::PackageList(std::initializer_list<std::string> entries) {
    for (const std::string& entry : entries) {
        Append(entry);
    }
}

PackageList::PackageList(const PackageList& other)
    : entries_(other.entries_), upperCounts_(other.upperCounts_), indexed_(other.indexed_) {}

PackageList::PackageList(PackageList&& other) noexcept
    : entries_(std::move(other.entries_)),
      upperCounts_(std::move(other.upperCounts_)),
      indexed_(other.indexed_) {
    other.entries_.clear();
    other.upperCounts_.clear();
    other.indexed_ = false;
}

PackageList& PackageList::operator=(const PackageList& other) {
    if (this != &other) {
        std::vector<std::string> entries = other.entries_;
        Clear();
        AppendAll(std::move(entries));
    }
    return *this;
}

PackageList& PackageList::operator=(PackageList&& other) {
    if (this != &other) {
        std::vector<std::string> entries = std::move(other.entries_);
        other.entries_.clear();
        other.upperCounts_.clear();
        other.indexed_ = false;
        Clear();
        AppendAll(std::move(entries));
    }
    return *this;
}

void PackageList::BuildIndex() const {
    upperCounts_.reserve(entries_.size());
    for (const std::string& entry : entries_) {
        ++upperCounts_[UpperAscii(entry)];
    }
    indexed_ = true;
}

void PackageList::Append(std::string entry) {
    if (indexed_) {
        ++upperCounts_[UpperAscii(entry)];
    }
    entries_.push_back(std::move(entry));
    Notify({PackageListChange::Kind::Appended, entries_.size() - 1, 1, {}});
}

void PackageList::AppendAll(std::vector<std::string> entries) {
    if (entries.empty()) {
        return;
    }
    const std::size_t first = entries_.size();
    entries_.reserve(first + entries.size());
    for (std::string& entry : entries) {
        if (indexed_) {
            ++upperCounts_[UpperAscii(entry)];
        }
        entries_.push_back(std::move(entry));
    }
    Notify({PackageListChange::Kind::Appended, first, entries_.size() - first, {}});
}

bool PackageList::Holds(std::string_view name) const {
    if (name.empty()) {
        return false;
    }
    if (!indexed_) {
        BuildIndex();
    }
    return upperCounts_.find(UpperAscii(name)) != upperCounts_.end();
}

std::size_t PackageList::RemoveIf(
    const std::function<bool(std::size_t, const std::string&)>& remove) {
    std::vector<std::size_t> removed;
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (remove(i, entries_[i])) {
            removed.push_back(i);
        }
    }
    if (removed.empty()) {
        return 0;
    }
    kept.reserve(entries_.size() - removed.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (next < removed.size() && removed[next] == i) {
            ++next;
            if (indexed_) {
                auto it = upperCounts_.find(UpperAscii(entries_[i]));
                if (--it->second == 0) {
                    upperCounts_.erase(it);
                }
            }
        } else {
            kept.push_back(std::move(entries_[i]));
        }
    }
    entries_ = std::move(kept);
    std::size_t count = removed.size();
    PackageListChange change;
    change.kind = PackageListChange::Kind::Removed;
    change.removed = std::move(removed);
    Notify(change);
    return count;
}

void PackageList::Clear() {
    RemoveIf([](std::size_t, const std::string&) { return true; });
}

void PackageList::Notify(const PackageListChange& change) const {
    if (listener_) {
        listener_(change);
    }
}

bool AddPack(PackageList& list, std::string_view name) {
    if (name.empty() || list.Holds(name)) {
        return false;
    }
    list.Append(std::string(name));
    return true;
}

std::string PackageNameOfFile(std::string_view filePath) {
    std::string name = FileNameOfPath(filePath);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

bool AddPackFile(PackageList& list, std::string_view filePath) {
    return AddPack(list, PackageNameOfFile(filePath));
}

namespace {

template <std::size_t N>
std::size_t AddGroup(PackageList& list, const std::array<std::string_view, N>& group) {
    std::size_t added = 0;
    for (std::string_view name : group) {
        added += AddPack(list, name) ? 1 : 0;
    }
    return added;
}

}  // namespace

std::size_t AddUTStandardPackages(PackageList& list) {
    return AddGroup(list, kUTStandardPackages);
}

std::size_t AddEpicBonusPackPackages(PackageList& list) {
    return AddGroup(list, kEpicBonusPackPackages);
}

TextFilterMethod TextFilterMethodAt(int index) {
    switch (index) {
        case 0:
            return TextFilterMethod::Is;
        case 2:
            return TextFilterMethod::DoesntContain;
        case 3:
            return TextFilterMethod::StartsWith;
        default:
            return TextFilterMethod::Contains;
    }
}

namespace {

bool MatchesUpper(std::string_view upperEntry, TextFilterMethod method,
                  std::string_view upperFilter) {
    switch (method) {
        case TextFilterMethod::Is:
            return upperEntry == upperFilter;
        case TextFilterMethod::DoesntContain:
            // The editor's substring search never finds an empty text: with
            // an empty filter "contains" removes nothing and "doesn't
            // contain" removes everything.
            return upperFilter.empty() || upperEntry.find(upperFilter) == std::string_view::npos;
        case TextFilterMethod::StartsWith:
            return StartsWith(upperEntry, upperFilter);
        case TextFilterMethod::Contains:
            break;
    }
    return !upperFilter.empty() && upperEntry.find(upperFilter) != std::string_view::npos;
}

}  // namespace

bool MatchesTextFilter(std::string_view entry, TextFilterMethod method,
                       std::string_view filterText) {
    return MatchesUpper(UpperAscii(entry), method, UpperAscii(filterText));
}

std::size_t RemoveByTextFilter(PackageList& list, TextFilterMethod method,
                               std::string_view filterText) {
    if (list.Empty()) {
        return 0;
    }
    const std::string upperFilter = UpperAscii(filterText);
    return list.RemoveIf([&](std::size_t, const std::string& entry) {
        return MatchesUpper(UpperAscii(entry), method, upperFilter);
    });
}

std::size_t RemoveByNames(PackageList& list, const std::vector<std::string>& names) {
    if (list.Empty() || names.empty()) {
        return 0;
    }
    std::unordered_set<std::string> upperNames;
    upperNames.reserve(names.size());
    for (const std::string& name : names) {
        upperNames.insert(UpperAscii(name));
    }
    std::string upper;
    return list.RemoveIf([&](std::size_t, const std::string& entry) {
        upper.assign(entry);
        for (char& c : upper) {
            c = UpperAscii(c);
        }
        return upperNames.count(upper) != 0;
    });
}

std::size_t RemoveSelected(PackageList& list, const std::vector<std::size_t>& indices) {
    std::vector<bool> selected(list.Size(), false);
    for (std::size_t index : indices) {
        if (index >= list.Size()) {
            throw ListIndexError(static_cast<long long>(index));
        }
        selected[index] = true;
    }
    return list.RemoveIf([&](std::size_t i, const std::string&) { return selected[i]; });
}

}  // namespace keelson
