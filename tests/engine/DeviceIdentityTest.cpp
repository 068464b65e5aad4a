#include "engine/DeviceIdentity.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/DeviceProfile.h"
#include "engine/InstallRules.h"
#include "engine/PathHelpers.h"
#include "engine/TextConversion.h"
#include "support/TestDirs.h"

using namespace Engine;
using namespace TestSupport;

namespace {

const wchar_t kKey[] = L"SOFTWARE\\Orbelin";

void DeleteDeviceId() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"DeviceId");
}

bool ReadDeviceIdValue(std::wstring& text, DWORD& type, DWORD& bytes) {
    wchar_t buffer[256] = {};
    bytes = sizeof(buffer);
    if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"DeviceId", RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &bytes) !=
        ERROR_SUCCESS)
        return false;
    text = buffer;
    return true;
}

std::wstring TokenPath() {
    return GetAppDataDir() + L"\\token.dat";
}

// The keys of a flat JSON object, in order; numbers[i] tells whether value i was a bare number.
struct JsonShape {
    std::vector<std::string> keys;
    std::vector<bool> numbers;
    std::vector<std::string> rawValues;
};

JsonShape ShapeOf(const std::string& json) {
    JsonShape shape;
    size_t i = 1;  // after "{"
    auto readString = [&](std::string& out) {
        ++i;  // opening quote
        while (i < json.size() && json[i] != '"') {
            if (json[i] == '\\')
                out += json[i++];
            out += json[i++];
        }
        ++i;  // closing quote
    };
    while (i < json.size() && json[i] == '"') {
        std::string key, value;
        readString(key);
        ++i;  // colon
        const bool isString = json[i] == '"';
        if (isString) {
            readString(value);
        } else {
            while (i < json.size() && json[i] != ',' && json[i] != '}')
                value += json[i++];
        }
        shape.keys.push_back(key);
        shape.numbers.push_back(!isString);
        shape.rawValues.push_back(value);
        if (json[i] == ',')
            ++i;
    }
    return shape;
}

}  // namespace

TEST(DeviceId, CreatedOnceThenReusedAndRecreatedAfterDeletion) {
    DeleteDeviceId();
    const std::wstring first = GetOrCreateDeviceId();
    ASSERT_EQ(first.size(), 36u);
    for (wchar_t c : first)
        EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || c == L'-') << static_cast<int>(c);
    EXPECT_EQ(first[8], L'-');
    EXPECT_EQ(first[23], L'-');

    std::wstring stored;
    DWORD type = 0, bytes = 0;
    ASSERT_TRUE(ReadDeviceIdValue(stored, type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, 74u);  // 36 characters and the terminating NUL
    EXPECT_EQ(stored, first);
    EXPECT_EQ(GetOrCreateDeviceId(), first);

    DeleteDeviceId();
    const std::wstring second = GetOrCreateDeviceId();
    EXPECT_EQ(second.size(), 36u);
    EXPECT_NE(second, first);
}

TEST(DeviceId, StoredValueIsTakenAsItIsButOnlyAsAString) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t custom[] = L"not-a-guid";
    RegSetValueExW(key, L"DeviceId", 0, REG_SZ, reinterpret_cast<const BYTE*>(custom), sizeof(custom));
    EXPECT_EQ(GetOrCreateDeviceId(), L"not-a-guid");

    const BYTE binary[] = {1, 2, 3, 4};
    RegSetValueExW(key, L"DeviceId", 0, REG_BINARY, binary, sizeof(binary));
    RegCloseKey(key);
    const std::wstring replaced = GetOrCreateDeviceId();
    EXPECT_EQ(replaced.size(), 36u);
    std::wstring stored;
    DWORD type = 0, bytes = 0;
    ASSERT_TRUE(ReadDeviceIdValue(stored, type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored, replaced);
}

TEST(Token, SizesFromOneTo4096BytesAreRead) {
    DeleteFileW(TokenPath().c_str());
    EXPECT_EQ(LoadToken(), "");

    ASSERT_TRUE(WriteFileBytes(TokenPath(), ""));
    EXPECT_EQ(LoadToken(), "");

    const std::string exact(4096, 'k');
    ASSERT_TRUE(WriteFileBytes(TokenPath(), exact));
    EXPECT_EQ(LoadToken(), exact);

    ASSERT_TRUE(WriteFileBytes(TokenPath(), std::string(4097, 'k')));
    EXPECT_EQ(LoadToken(), "");

    const std::string raw("\x00 tok\r\n\xff ", 9);
    ASSERT_TRUE(WriteFileBytes(TokenPath(), raw));
    EXPECT_EQ(LoadToken(), raw);  // no trimming, no decoding
    DeleteFileW(TokenPath().c_str());
}

TEST(Token, SaveReplacesTheWholeFileThroughATemporary) {
    const std::wstring dir = MakeTempDir(L"token");
    const std::wstring path = dir + L"\\token.dat";
    SaveToken(path, "first");
    EXPECT_EQ(ReadFileBytes(path), "first");
    SaveToken(path, "second-longer");
    EXPECT_EQ(ReadFileBytes(path), "second-longer");
    EXPECT_FALSE(Exists(path + L".tmp"));

    // A stale temporary from an interrupted save is simply overwritten.
    ASSERT_TRUE(WriteFileBytes(path + L".tmp", "stale garbage that is long"));
    SaveToken(path, "third");
    EXPECT_EQ(ReadFileBytes(path), "third");
    EXPECT_FALSE(Exists(path + L".tmp"));
    RemoveTree(dir);
}

TEST(Token, FailedSavesLeaveTheOldFileUntouched) {
    const std::wstring dir = MakeTempDir(L"token-fail");
    const std::wstring path = dir + L"\\token.dat";
    SaveToken(path, "old");

    SaveToken(path, "");
    SaveToken(L"", "new");
    EXPECT_EQ(ReadFileBytes(path), "old");

    // The temporary cannot be created.
    ASSERT_TRUE(CreateDirectoryW((path + L".tmp").c_str(), nullptr));
    SaveToken(path, "new");
    EXPECT_EQ(ReadFileBytes(path), "old");
    RemoveDirectoryW((path + L".tmp").c_str());

    // The move cannot replace a directory: the temporary is removed again.
    const std::wstring blocked = dir + L"\\blocked";
    ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr));
    SaveToken(blocked, "new");
    EXPECT_TRUE(IsDirectory(blocked));
    EXPECT_FALSE(Exists(blocked + L".tmp"));

    // Without a data folder the path is a bare name: nothing lands in the current directory.
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
    SaveToken(JoinPath(L"", L"token.dat"), "new");
    SetCurrentDirectoryW(current);
    EXPECT_EQ(ReadFileBytes(path), "old");
    RemoveTree(dir);
}

TEST(TextConversion, RoundTripsAndEmptyCases) {
    EXPECT_EQ(Utf16ToUtf8(L"欧贝林"), "\xe6\xac\xa7\xe8\xb4\x9d\xe6\x9e\x97");
    EXPECT_EQ(Utf8ToUtf16("\xe6\xac\xa7\xe8\xb4\x9d\xe6\x9e\x97"), L"欧贝林");
    EXPECT_EQ(Utf16ToUtf8(L""), "");
    EXPECT_EQ(Utf8ToUtf16(""), L"");
    EXPECT_EQ(Utf16ToUtf8(std::wstring(L"ab\0cd", 5)), std::string("ab\0cd", 5));
    EXPECT_EQ(Utf8ToUtf16(std::string("ab\0cd", 5)), std::wstring(L"ab\0cd", 5));
}

TEST(DeviceProfile, TwentyTwoFieldsInOrderWithTheMachinesValues) {
    ASSERT_TRUE(WriteFileBytes(TokenPath(), "tok\"en"));
    const std::string profile = BuildDeviceProfile();
    ASSERT_GE(profile.size(), 2u);
    EXPECT_EQ(profile.front(), '{');
    EXPECT_EQ(profile.back(), '}');

    // The shape parser accepts no whitespace between tokens, so a match also proves compactness.
    const JsonShape shape = ShapeOf(profile);
    const std::vector<std::string> expected = {
        "scene",         "os_platform",  "os_version",      "os_arch",       "device_id",     "device_name",
        "cpu_model",     "cpu_cores",    "memory_total_mb", "gpu_model",     "gpu_memory_mb", "gpu_driver",
        "disk_total_mb", "disk_free_mb", "screen_width",    "screen_height", "screen_dpi",    "locale",
        "timezone",      "app_version",  "app_path",        "token"};
    ASSERT_EQ(shape.keys, expected);
    const std::vector<bool> numbers = {false, false, false, false, false, false, false, true,  true,  false, true,
                                       false, true,  true,  true,  true,  true,  false, false, false, false, false};
    EXPECT_EQ(shape.numbers, numbers);

    auto value = [&](const char* key) {
        for (size_t i = 0; i < shape.keys.size(); ++i)
            if (shape.keys[i] == key)
                return shape.rawValues[i];
        return std::string("<missing>");
    };
    EXPECT_EQ(value("scene"), "install");
    EXPECT_EQ(value("os_platform"), "windows");
    // The machine's own architecture, as the system tells a process of either width.
    const char* wow64 = std::getenv("PROCESSOR_ARCHITEW6432");
    const std::string machine = wow64 ? wow64 : std::getenv("PROCESSOR_ARCHITECTURE");
    EXPECT_EQ(value("os_arch"), machine == "AMD64" ? "x64" : "x86");
    EXPECT_EQ(value("device_id"), Utf16ToUtf8(GetOrCreateDeviceId()));
    EXPECT_EQ(value("app_version"), "1.0.0.49");
    EXPECT_EQ(value("token"), "tok\\\"en");
    EXPECT_GT(std::stoi(value("cpu_cores")), 0);
    EXPECT_GT(std::stoi(value("memory_total_mb")), 0);
    EXPECT_GT(std::stoi(value("disk_total_mb")), 0);
    EXPECT_GT(std::stoi(value("screen_width")), 0);

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string escapedSelf;
    for (char c : Utf16ToUtf8(self)) {
        if (c == '\\')
            escapedSelf += '\\';
        escapedSelf += c;
    }
    EXPECT_EQ(value("app_path"), escapedSelf);

    const std::string zone = value("timezone");
    ASSERT_EQ(zone.size(), 9u) << zone;
    EXPECT_EQ(zone.substr(0, 3), "UTC");
    EXPECT_TRUE(zone[3] == '+' || zone[3] == '-');
    EXPECT_EQ(zone[6], ':');

    const std::string version = value("os_version");
    EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 2) << version;
    DeleteFileW(TokenPath().c_str());
}

TEST(DeviceProfile, NoTokenGivesAnEmptyTokenField) {
    DeleteFileW(TokenPath().c_str());
    const std::string profile = BuildDeviceProfile();
    EXPECT_NE(profile.find(",\"token\":\"\"}"), std::string::npos) << profile;
}
