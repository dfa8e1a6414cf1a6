// InstallClient as a whole, run by this test program as the client runs it:
// the installed copy is the data folder + this executable's file name.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/Paths.h"
#include "app/Profile.h"
#include "login/Setup.h"
#include "tests/win/SetupTestFiles.h"

namespace {
const wchar_t kUninstallValues[][16] = {L"Path", L"DisplayName", L"Publisher", L"UninstallString"};

class SetupInstall : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInstallState();
        ResetProfileMirror();
        installed_ = DataFolder() + L"\\" + FileNameOf(GetModulePath());
    }
    void TearDown() override { ResetInstallState(); }

    static std::wstring Profile(const wchar_t* name) { return GetAppProfileString(L"OrbelleDunmark", name, L"-"); }
    static std::wstring Uninstall(const wchar_t* name) { return RegString(HKEY_LOCAL_MACHINE, kUninstallKeyPath, name); }

    ComApartment com_;
    std::wstring installed_;
};

TEST_F(SetupInstall, FirstRunInstallsEverything) {
    InstallClient();

    EXPECT_EQ(ReadAll(installed_), ReadAll(GetModulePath()));
    EXPECT_EQ(ReadAll(SettingsFile()), std::string(kSettingsTemplate) + "start=1001\r\n");
    EXPECT_EQ(ReadAll(ResFolder() + L"\\uninstall.ico"), ReadAll(SourceFile(L"res\\skin\\uninstall.ico")));

    const struct {
        std::wstring link, arguments, icon;
    } links[] = {
        {DesktopLink(), L"1", L""},
        {GameLink(), L"1", L""},
        {UninstallLink(), L"-u", ResFolder() + L"\\uninstall.ico"},
    };
    for (const auto& l : links) {
        const ShellLinkFields f = ReadShellLink(l.link);
        ASSERT_TRUE(f.loaded) << testing::PrintToString(l.link);
        EXPECT_EQ(f.target, installed_);
        EXPECT_EQ(f.arguments, l.arguments);
        EXPECT_EQ(f.icon, l.icon);
        EXPECT_EQ(f.showCommand, SW_SHOWNORMAL);
    }

    const std::wstring expected[] = {installed_, L"Vexaria", L"Orbelle", installed_ + L" -u"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Uninstall(kUninstallValues[i]), expected[i]);  // REG_SZ, terminator counted
        EXPECT_EQ(Profile(kUninstallValues[i]), expected[i]);
    }
    // Only the 64-bit view holds the entry, and an administrator's is the machine's only.
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKeyPath, L"Path", KEY_WOW64_32KEY), L"<no key>");
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kUninstallKeyPath, L"Path"), L"<no key>");
    // What Apps & features shows, written after the self-copy: of the installed copy.
    EXPECT_EQ(Uninstall(L"DisplayIcon"), installed_);
    EXPECT_EQ(Uninstall(L"DisplayVersion"), L"1.0.0.0");
    EXPECT_EQ(Uninstall(L"InstallLocation"), DataFolder());
}

TEST_F(SetupInstall, LaterRunsRepairAndKeepThePlayersFiles) {
    InstallClient();
    std::string edited = std::string(kSettingsTemplate) + "start=1001\r\n";
    edited.replace(edited.find("F11"), 3, "Alt+Z");
    ASSERT_TRUE(WriteAll(SettingsFile(), edited));
    ASSERT_TRUE(DeleteFileW(DesktopLink().c_str()));
    ASSERT_TRUE(DeleteFileW((ResFolder() + L"\\uninstall.ico").c_str()));
    ASSERT_TRUE(CreateShortcut(L"changed", L"C:\\elsewhere.exe", StartMenuFolder(), L"Vexaria.lnk", false));
    // A desktop link the player renamed is not ours any more.
    ASSERT_TRUE(CreateShortcut(L"1", installed_, GetShellFolder(CSIDL_DESKTOP), L"My game.lnk", false));

    InstallClient();
    EXPECT_EQ(ReadAll(SettingsFile()), edited);
    EXPECT_FALSE(Exists(ResFolder() + L"\\uninstall.ico"));  // unpacked once, until the marker goes
    EXPECT_EQ(ReadShellLink(DesktopLink()).target, installed_);
    EXPECT_EQ(ReadShellLink(GameLink()).arguments, L"1");
    EXPECT_EQ(ReadShellLink(GameLink()).target, installed_);
    EXPECT_TRUE(Exists(GetShellFolder(CSIDL_DESKTOP) + L"\\My game.lnk"));
    DeleteFileW((GetShellFolder(CSIDL_DESKTOP) + L"\\My game.lnk").c_str());
}

TEST_F(SetupInstall, VersionOfTheInstalledCopyDecidesTheSelfCopy) {
    const struct {
        const char* what;
        const wchar_t* version;  // of the installed copy; null: no copy, empty: no version resource
        bool replaced;
    } cases[] = {
        {"missing", nullptr, true},
        {"without a version", L"", true},
        {"older", L"0.9.9.9", true},
        {"equal", L"1.0.0.0", false},
        {"newer", L"1.0.0.1", false},
    };
    for (const auto& c : cases) {
        ResetInstallState();
        MakeFolders(DataFolder());
        std::string before;
        if (c.version && !*c.version) ASSERT_TRUE(WriteAll(installed_, "not an executable"));
        if (c.version && *c.version) ASSERT_TRUE(VersionedCopy(installed_, c.version, L"9.9.9.9"));
        if (c.version) before = ReadAll(installed_);

        InstallClient();
        const std::string after = ReadAll(installed_);
        if (c.replaced) EXPECT_EQ(after, ReadAll(GetModulePath())) << c.what;
        else EXPECT_EQ(after, before) << c.what;
    }
    EXPECT_EQ(ReadVersionNumber(GetModulePath()), 1000);
}

TEST_F(SetupInstall, ExistingUninstallKeyStaysAndTheMirrorFollowsTheCopy) {
    {
        RegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                  nullptr, key.Put(), nullptr),
                  ERROR_SUCCESS);
        const wchar_t old[] = L"C:\\old\\vexa.exe";
        RegSetValueExW(key.Get(), L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(old), sizeof(old));
    }
    WriteAppProfileString(L"OrbelleDunmark", L"Path", L"C:\\old\\vexa.exe");

    InstallClient();
    EXPECT_EQ(Uninstall(L"Path"), L"C:\\old\\vexa.exe");
    EXPECT_EQ(Uninstall(L"DisplayName"), L"<no value>");
    EXPECT_EQ(Profile(L"Path"), installed_);
    EXPECT_EQ(Profile(L"UninstallString"), installed_ + L" -u");

    // A mirror that already names the copy is not rewritten.
    WriteAppProfileString(L"OrbelleDunmark", L"DisplayName", L"kept");
    InstallClient();
    EXPECT_EQ(Profile(L"DisplayName"), L"kept");
}
}  // namespace
