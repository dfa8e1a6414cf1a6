// The uninstall entry in the machine's or the user's list. The machine's
// list of these tests is a key of their own that refuses writes the way
// HKLM's refuses a standard user (a read-only DACL): Wine runs every program
// as an administrator.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>

#include "login/UninstallEntry.h"
#include "tests/win/SetupTestFiles.h"

namespace {
const wchar_t kTestRoot[] = L"Software\\VexaTests";
const wchar_t kMachineList[] = L"Software\\VexaTests\\Machine";
const wchar_t kUserList[] = L"Software\\VexaTests\\User";
const wchar_t kInstalled[] = L"C:\\users\\p\\AppData\\Roaming\\velmo\\vexa\\vexa.exe";

std::wstring Entry(const wchar_t* list) { return std::wstring(list) + L"\\OrbelleDunmark"; }

bool SetDacl(const wchar_t* key, const wchar_t* sddl) {
    RegKey k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, WRITE_DAC, k.Put()) != ERROR_SUCCESS) return false;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr)) return false;
    const bool ok = RegSetKeySecurity(k.Get(), DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    LocalFree(sd);
    return ok;
}

// Two lists of the tests' own below HKCU; the user's does not exist yet.
class UninstallEntry : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        RegKey machine;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kMachineList, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  machine.Put(), nullptr),
                  ERROR_SUCCESS);
        lists_.machine = lists_.user = HKEY_CURRENT_USER;
        lists_.machinePath = kMachineList;
        lists_.userPath = kUserList;
    }
    void TearDown() override {
        SetDacl(kMachineList, L"D:P(A;CI;KA;;;WD)");
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
    }

    // As for a standard user: the list can be read, not written.
    void RefuseMachineWrites() { ASSERT_TRUE(SetDacl(kMachineList, L"D:P(A;CI;KR;;;WD)")); }

    static void Put(const wchar_t* list, const wchar_t* path) {
        RegKey k;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Entry(list).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  k.Put(), nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(k.Get(), L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                       static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
    }
    static std::wstring Value(const wchar_t* list, const wchar_t* name) {
        return RegString(HKEY_CURRENT_USER, Entry(list).c_str(), name);
    }

    UninstallLists lists_;
};

TEST_F(UninstallEntry, OneListOnlyAndTheFourValuesOnlyWhenCreated) {
    const std::wstring old = L"C:\\old\\vexa.exe", installed = kInstalled, none = L"<no key>";
    const struct {
        const char* what;
        bool standardUser;
        const wchar_t* machineHad;  // Path of an entry there before
        const wchar_t* userHad;
        bool opened;
        std::wstring machinePath, userPath;  // Path afterwards
        bool created;                        // the other three values written too
    } cases[] = {
        {"an administrator", false, nullptr, nullptr, true, installed, none, true},
        {"a standard user", true, nullptr, nullptr, true, none, installed, true},
        {"an administrator's own entry stays", false, old.c_str(), nullptr, true, old, none, false},
        {"a standard user's own entry stays", true, nullptr, old.c_str(), true, none, old, false},
        // Never both: the machine's entry is the one Apps & features shows.
        {"an administrator after a standard user", false, nullptr, old.c_str(), true, installed, none, true},
        {"a standard user after an administrator", true, old.c_str(), nullptr, false, old, none, false},
    };
    for (const auto& c : cases) {
        SetUp();
        if (c.machineHad) Put(kMachineList, c.machineHad);
        if (c.userHad) Put(kUserList, c.userHad);
        if (c.standardUser) RefuseMachineWrites();

        const RegKey entry = OpenUninstallEntry(installed, lists_);
        EXPECT_EQ(static_cast<bool>(entry), c.opened) << c.what;
        EXPECT_EQ(Value(kMachineList, L"Path"), c.machinePath) << c.what;
        EXPECT_EQ(Value(kUserList, L"Path"), c.userPath) << c.what;
        const wchar_t* list = c.machinePath != none ? kMachineList : kUserList;
        EXPECT_EQ(Value(list, L"DisplayName"), c.created ? L"Vexaria" : L"<no value>") << c.what;
        EXPECT_EQ(Value(list, L"Publisher"), c.created ? L"Orbelle" : L"<no value>") << c.what;
        EXPECT_EQ(Value(list, L"UninstallString"), c.created ? installed + L" -u" : L"<no value>") << c.what;
        TearDown();
    }
}

TEST_F(UninstallEntry, DeletedFromBothListsWhereAllowed) {
    Put(kMachineList, L"C:\\a\\vexa.exe");
    Put(kUserList, L"C:\\b\\vexa.exe");
    DeleteUninstallEntries(lists_);
    EXPECT_EQ(Value(kMachineList, L"Path"), L"<no key>");
    EXPECT_EQ(Value(kUserList, L"Path"), L"<no key>");

    // A standard user removes what is theirs; the machine's entry is not.
    Put(kMachineList, L"C:\\a\\vexa.exe");
    Put(kUserList, L"C:\\b\\vexa.exe");
    RefuseMachineWrites();
    DeleteUninstallEntries(lists_);
    EXPECT_EQ(Value(kMachineList, L"Path"), L"C:\\a\\vexa.exe");
    EXPECT_EQ(Value(kUserList, L"Path"), L"<no key>");
}

DWORD Number(HKEY entry, const wchar_t* name) {
    DWORD value = 0, type = 0, bytes = sizeof(value);
    if (RegQueryValueExW(entry, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return 0xFFFFFFFF;
    return value;
}

std::wstring Today() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t text[16];
    swprintf(text, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

DWORD KiB(unsigned long long bytes) { return static_cast<DWORD>((bytes + 1023) / 1024); }

TEST_F(UninstallEntry, DetailsFollowTheInstalledCopy) {
    TempFolder data(L"uninstall-details");
    const std::wstring installed = data.Path(L"vexa.exe");
    ASSERT_TRUE(VersionedCopy(installed, L"1.0.0.0"));
    data.Folder(L"res");
    data.Folder(L"res\\sub");
    data.File(L"res\\systemset.ini", std::string(1500, 's'));
    data.File(L"res\\sub\\b.bin", std::string(3000, 'b'));
    const unsigned long long exe = ReadAll(installed).size();

    const RegKey entry = OpenUninstallEntry(installed, lists_);
    ASSERT_TRUE(entry);
    WriteUninstallDetails(entry.Get(), installed, data.Root());
    EXPECT_EQ(Value(kMachineList, L"DisplayIcon"), installed);
    EXPECT_EQ(Value(kMachineList, L"InstallLocation"), data.Root());
    EXPECT_EQ(Value(kMachineList, L"DisplayVersion"), L"1.0.0.0");
    EXPECT_EQ(Value(kMachineList, L"InstallDate"), Today());
    EXPECT_EQ(Number(entry.Get(), L"EstimatedSize"), KiB(exe + 4500));
    EXPECT_EQ(Number(entry.Get(), L"NoModify"), 1u);
    EXPECT_EQ(Number(entry.Get(), L"NoRepair"), 1u);

    // A later start of the same version: the size follows, the date stays.
    RegSetValueExW(entry.Get(), L"InstallDate", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"20200101"), 18);
    data.File(L"res\\update.log", std::string(2048, 'l'));
    WriteUninstallDetails(entry.Get(), installed, data.Root());
    EXPECT_EQ(Value(kMachineList, L"InstallDate"), L"20200101");
    EXPECT_EQ(Number(entry.Get(), L"EstimatedSize"), KiB(exe + 4500 + 2048));

    // After a self-update: the new version, installed today.
    ASSERT_TRUE(VersionedCopy(installed, L"1.0.0.1"));
    WriteUninstallDetails(entry.Get(), installed, data.Root());
    EXPECT_EQ(Value(kMachineList, L"DisplayVersion"), L"1.0.0.1");
    EXPECT_EQ(Value(kMachineList, L"InstallDate"), Today());
}
}  // namespace
