#include "tests/support/PackageBuilder.h"

#include <algorithm>
#include <map>

namespace keelson::test {

namespace {

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

void PutI32At(std::string& out, std::size_t at, std::int64_t v) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] =
            static_cast<char>((static_cast<std::uint64_t>(v) >> (8 * i)) & 0xFF);
    }
}

void PutCompact(std::string& out, std::int32_t value) {
    std::uint32_t v = value < 0 ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(value))
                                : static_cast<std::uint32_t>(value);
    unsigned char b = static_cast<unsigned char>((value < 0 ? 0x80 : 0) | (v & 0x3F));
    v >>= 6;
    if (v != 0) {
        b |= 0x40;
    }
    out += static_cast<char>(b);
    for (int i = 1; i < 5 && v != 0; ++i) {
        if (i == 4) {
            out += static_cast<char>(v & 0xFF);
            break;
        }
        b = static_cast<unsigned char>(v & 0x7F);
        v >>= 7;
        if (v != 0) {
            b |= 0x80;
        }
        out += static_cast<char>(b);
    }
}

}  // namespace

PackagePieces PackageParts(const PackageInfo& info, std::uint64_t fileSize) {
    std::vector<std::string> names;
    std::map<std::string, std::int32_t> index;
    auto intern = [&](const std::string& name) {
        auto [it, added] = index.try_emplace(name, static_cast<std::int32_t>(names.size()));
        if (added) {
            names.push_back(name);
        }
        return it->second;
    };
    const std::int32_t core = intern("Core");
    const std::int32_t package = intern("Package");
    const std::int32_t classClass = intern("Class");
    const std::int32_t object = intern("Object");

    std::string imports;
    std::int32_t importCount = 0;
    for (const std::string& dependency : info.dependencies) {
        PutCompact(imports, core);
        PutCompact(imports, package);
        PutU32(imports, 0);
        PutCompact(imports, intern(dependency));
        ++importCount;
        if (importCount == 1) {
            // Core.Class Object inside the first: not a package.
            PutCompact(imports, core);
            PutCompact(imports, classClass);
            PutU32(imports, static_cast<std::uint32_t>(-1));
            PutCompact(imports, object);
            ++importCount;
        }
    }

    const bool newHeader = info.version >= 68;
    PackagePieces p;
    p.head.assign(newHeader ? 56 : 44, '\0');
    PutI32At(p.head, 0, 0x9E2A83C1);
    p.head[4] = static_cast<char>(info.version & 0xFF);
    p.head[5] = static_cast<char>(info.version >> 8);
    p.head[6] = static_cast<char>(info.licensee & 0xFF);
    p.head[7] = static_cast<char>(info.licensee >> 8);
    PutI32At(p.head, 8, info.flags);
    if (newHeader) {
        const std::array<std::uint32_t, 4> guid =
            info.guid.value_or(std::array<std::uint32_t, 4>{});
        for (std::size_t i = 0; i < 4; ++i) {
            PutI32At(p.head, 36 + 4 * i, guid[i]);
        }
        PutI32At(p.head, 52, static_cast<std::int64_t>(info.generations.size()));
        for (const PackageGeneration& g : info.generations) {
            PutU32(p.head, static_cast<std::uint32_t>(g.exportCount));
            PutU32(p.head, static_cast<std::uint32_t>(g.nameCount));
        }
    }
    PutI32At(p.head, 12, static_cast<std::int64_t>(names.size()));
    PutI32At(p.head, 16, static_cast<std::int64_t>(p.head.size()));
    for (const std::string& name : names) {
        if (info.version >= 64) {
            PutCompact(p.head, static_cast<std::int32_t>(name.size() + 1));
        }
        p.head += name;
        p.head += '\0';
        PutU32(p.head, 0);
    }
    const std::uint64_t needed = p.head.size() + imports.size() + (newHeader ? 0 : 16);
    p.fileSize = std::max(fileSize, needed);
    p.tailOffset = p.fileSize - imports.size() - (newHeader || !info.guid ? 0 : 16);
    p.tail = imports;
    PutI32At(p.head, 28, importCount);
    PutI32At(p.head, 32, static_cast<std::int64_t>(p.tailOffset));
    if (!newHeader) {
        if (info.guid) {
            PutI32At(p.head, 36, 1);
            PutI32At(p.head, 40, static_cast<std::int64_t>(p.tailOffset + imports.size()));
            for (std::uint32_t part : *info.guid) {
                PutU32(p.tail, part);
            }
        }
    }
    p.fileSize = p.tailOffset + p.tail.size();
    return p;
}

std::string PackageBytes(const PackageInfo& info) {
    PackagePieces p = PackageParts(info);
    std::string bytes = p.head;
    bytes.resize(p.tailOffset, '\0');
    return bytes + p.tail;
}

PackageInfo PackageNeeding(std::vector<std::string> dependencies, std::uint16_t version) {
    PackageInfo info;
    info.version = version;
    info.flags = kPackageAllowDownload;
    info.guid = std::array<std::uint32_t, 4>{0x12345678, 0x9ABCDEF0, 0x0F1E2D3C, 0x4B5A6978};
    if (version >= 68) {
        info.generations = {{3, 12}};
    }
    info.dependencies = std::move(dependencies);
    return info;
}

}  // namespace keelson::test
