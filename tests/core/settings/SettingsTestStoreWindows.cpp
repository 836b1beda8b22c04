// The registry through its 32-bit view, as the program uses it (under Wine,
// the registry of the test run's own Wine prefix).
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h:
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/core/settings/SettingsTestStore.h"

namespace keelson::test {

namespace {

constexpr REGSAM kView = KEY_WOW64_32KEY;

std::string KeyPath(std::string key) {
    for (char& c : key) {
        if (c == '/') {
            c = '\\';
        }
    }
    return key;
}

// The program's key and the installer's, in both views.
void RemoveTestKeys() {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY software = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | view, &software) ==
            ERROR_SUCCESS) {
            ::RegDeleteTreeA(software, "Brindlewood");
            ::RegDeleteTreeA(software, "Unreal Technology");
            ::RegCloseKey(software);
        }
    }
}

// Gives the key the access list of the SDDL text, inherited by its subkeys.
bool SetAccess(const std::string& key, const char* sddl) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath(key).c_str(), 0,
                        WRITE_DAC | READ_CONTROL | kView, &handle) != ERROR_SUCCESS) {
        return false;
    }
    PSECURITY_DESCRIPTOR sd = nullptr;
    bool ok = ::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd,
                                                                     nullptr) &&
              ::RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    ::LocalFree(sd);
    ::RegCloseKey(handle);
    return ok;
}

std::string Hex(unsigned long n, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*lx", digits, n);
    return text;
}

// One REGEDIT4 value line: its name, type and bytes.
bool ParseLine(const std::string& line, std::string& name, DWORD& type, std::string& data) {
    std::size_t close = line.find("\"=", 1);
    if (line.empty() || line[0] != '"' || close == std::string::npos) {
        return false;
    }
    name = line.substr(1, close - 1);
    std::string value = line.substr(close + 2);
    data.clear();
    if (!value.empty() && value.front() == '"' && value.back() == '"') {
        type = REG_SZ;
        for (std::size_t i = 1; i + 1 < value.size(); ++i) {
            if (value[i] == '\\' && i + 2 < value.size()) {
                ++i;
            }
            data += value[i];
        }
        data += '\0';
        return true;
    }
    if (value.rfind("dword:", 0) == 0) {
        type = REG_DWORD;
        unsigned long n = std::strtoul(value.c_str() + 6, nullptr, 16);
        for (int i = 0; i < 4; ++i) {
            data += static_cast<char>((n >> (8 * i)) & 0xFF);
        }
        return true;
    }
    std::size_t colon = value.find(':');
    if (value.rfind("hex(", 0) != 0 || colon == std::string::npos) {
        return false;
    }
    type = std::strtoul(value.c_str() + 4, nullptr, 16);
    for (std::size_t i = colon + 1; i < value.size(); i += 3) {
        data += static_cast<char>(std::strtoul(value.substr(i, 2).c_str(), nullptr, 16));
    }
    return true;
}

std::string FormatLine(const std::string& name, DWORD type, const std::string& data) {
    std::string line = "\"" + name + "\"=";
    if (type == REG_SZ && !data.empty() && data.find('\0') == data.size() - 1) {
        line += '"';
        for (char c : data.substr(0, data.size() - 1)) {
            if (c == '\\' || c == '"') {
                line += '\\';
            }
            line += c;
        }
        return line + "\"\n";
    }
    if (type == REG_DWORD && data.size() == 4) {
        unsigned long n = 0;
        for (int i = 3; i >= 0; --i) {
            n = (n << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
        }
        return line + "dword:" + Hex(n, 8) + "\n";
    }
    line += "hex(" + Hex(type, 1) + "):";
    for (std::size_t i = 0; i < data.size(); ++i) {
        line += (i > 0 ? "," : "") + Hex(static_cast<unsigned char>(data[i]), 2);
    }
    return line + "\n";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// The lines in the order of their value names, letter case ignored.
std::string ByName(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return ::lstrcmpiA(a.c_str(), b.c_str()) < 0;
    });
    std::string text;
    for (const std::string& line : lines) {
        text += line;
    }
    return text;
}

}  // namespace

SettingsTestStore::SettingsTestStore(const std::string& folder)
    : root_(folder), store_(platform::OpenMachineStore()) {
    RemoveTestKeys();
}

SettingsTestStore::~SettingsTestStore() {
    for (const std::string& key : readOnly_) {
        SetAccess(key, "D:(A;CI;KA;;;WD)");
    }
    RemoveTestKeys();
}

void SettingsTestStore::MakeKey(const std::string& key) {
    HKEY handle = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath(key).c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS | kView, nullptr, &handle, nullptr),
              ERROR_SUCCESS)
        << key;
    ::RegCloseKey(handle);
}

bool SettingsTestStore::KeyExists(const std::string& key) const {
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath(key).c_str(), 0, KEY_READ | kView, &handle) !=
        ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(handle);
    return true;
}

void SettingsTestStore::WriteValues(const std::string& key, const std::string& lines) {
    HKEY handle = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath(key).c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS | kView, nullptr, &handle, nullptr),
              ERROR_SUCCESS)
        << key;
    for (;;) {
        char name[16384];
        DWORD length = sizeof name;
        if (::RegEnumValueA(handle, 0, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        ::RegDeleteValueA(handle, name);
    }
    for (const std::string& line : Lines(lines)) {
        std::string name;
        DWORD type = 0;
        std::string data;
        EXPECT_TRUE(ParseLine(line, name, type, data)) << line;
        EXPECT_EQ(::RegSetValueExA(handle, name.c_str(), 0, type,
                                   reinterpret_cast<const BYTE*>(data.data()),
                                   static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS)
            << line;
    }
    ::RegCloseKey(handle);
}

std::string SettingsTestStore::ValuesText(const std::string& key) const {
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath(key).c_str(), 0, KEY_READ | kView, &handle) !=
        ERROR_SUCCESS) {
        return "<missing>";
    }
    std::vector<std::string> lines;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD length = sizeof name;
        DWORD type = 0;
        std::string data(65536, '\0');
        DWORD size = static_cast<DWORD>(data.size());
        if (::RegEnumValueA(handle, index, name, &length, nullptr, &type,
                            reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
            break;
        }
        data.resize(size);
        lines.push_back(FormatLine(std::string(name, length), type, data));
    }
    ::RegCloseKey(handle);
    return ByName(lines);
}

std::string SettingsTestStore::AsStored(const std::string& text) const {
    std::vector<std::string> lines;
    for (const std::string& line : Lines(text)) {
        std::string name;
        DWORD type = 0;
        std::string data;
        EXPECT_TRUE(ParseLine(line, name, type, data)) << line;
        lines.push_back(FormatLine(name, type, data));
    }
    return ByName(lines);
}

void SettingsTestStore::MakeReadOnly(const std::string& key) {
    MakeKey(key);
    readOnly_.push_back(key);
    // Everyone may read, no one may write: the owner keeps the right to
    // give the access back.
    ASSERT_TRUE(SetAccess(key, "D:P(A;CI;KR;;;WD)")) << key;
}

}  // namespace keelson::test
