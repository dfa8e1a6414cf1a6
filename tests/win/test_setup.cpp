// The first-run setup on the test prefix's real folders, registry and shell
// links: the archive unpacking under its marker and the shortcuts.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "login/Setup.h"
#include "settings/Settings.h"
#include "tests/win/SetupTestFiles.h"

namespace {
const std::string kUnpackedSettings = std::string(kSettingsTemplate) + "start=1001\r\n";

class SetupArchive : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInstallState();
        MakeFolders(DataFolder());
    }
    void TearDown() override { ResetInstallState(); }
};

SYSTEMTIME LocalWriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    SYSTEMTIME utc = {}, local = {};
    FileTimeToSystemTime(&data.ftLastWriteTime, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    return local;
}

TEST_F(SetupArchive, FirstUnpackWritesTemplateIconAndMarker) {
    EXPECT_EQ(ExtractResourceArchive(DataFolder()), UnpackResult::Unpacked);
    EXPECT_EQ(ReadAll(SettingsFile()), kUnpackedSettings);
    const std::string icon = ReadAll(SourceFile(L"res\\skin\\uninstall.ico"));
    ASSERT_FALSE(icon.empty());
    EXPECT_EQ(ReadAll(ResFolder() + L"\\uninstall.ico"), icon);
    for (const wchar_t* name : {L"systemset.ini", L"uninstall.ico"})
        EXPECT_EQ(GetFileAttributesW((ResFolder() + L"\\" + name).c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    // Dated from its entry (local time, as the archive stores it); the
    // settings file has been written to since, by the marker.
    const SYSTEMTIME t = LocalWriteTime(ResFolder() + L"\\uninstall.ico");
    EXPECT_EQ(t.wYear * 10000 + t.wMonth * 100 + t.wDay, 20240101);
    EXPECT_EQ(t.wHour * 3600 + t.wMinute * 60 + t.wSecond, 0);

    // Unpacked once: a missing icon stays missing until the marker goes.
    DeleteFileW((ResFolder() + L"\\uninstall.ico").c_str());
    EXPECT_EQ(ExtractResourceArchive(DataFolder()), UnpackResult::AlreadyUnpacked);
    EXPECT_FALSE(Exists(ResFolder() + L"\\uninstall.ico"));
}

TEST_F(SetupArchive, MarkerCountsOnlyAsTheNumber1001) {
    const struct {
        const char* marker;
        bool counts;
    } cases[] = {
        {"1001", true}, {"  1001", true}, {"+1001", true}, {"1001abc", true},
        {"1000", false}, {"", false}, {"abc", false}, {"-1", false}, {"10010", false},
    };
    MakeFolders(ResFolder());
    for (const auto& c : cases) {
        const std::string settings = std::string("[Setting]\r\nstart=") + c.marker + "\r\n";
        ASSERT_TRUE(WriteAll(SettingsFile(), settings));
        DeleteFileW((ResFolder() + L"\\uninstall.ico").c_str());
        EXPECT_EQ(ExtractResourceArchive(DataFolder()),
                  c.counts ? UnpackResult::AlreadyUnpacked : UnpackResult::Unpacked) << c.marker;
        EXPECT_EQ(Exists(ResFolder() + L"\\uninstall.ico"), !c.counts) << c.marker;
        // The player's file is never replaced; only the marker is set.
        EXPECT_EQ(ReadAll(SettingsFile()), c.counts ? settings : "[Setting]\r\nstart=1001\r\n") << c.marker;
    }
}

TEST_F(SetupArchive, RemovedMarkerUnpacksAgainButKeepsTheSettings) {
    std::string edited = kSettingsTemplate;
    edited.replace(edited.find("F10"), 3, "Ctrl+Q");
    MakeFolders(ResFolder());
    ASSERT_TRUE(WriteAll(SettingsFile(), edited));
    ASSERT_TRUE(WriteAll(ResFolder() + L"\\data.zip", "leftover"));
    EXPECT_EQ(ExtractResourceArchive(DataFolder()), UnpackResult::Unpacked);
    EXPECT_EQ(ReadAll(SettingsFile()), edited + "start=1001\r\n");
    EXPECT_TRUE(Exists(ResFolder() + L"\\uninstall.ico"));
    EXPECT_FALSE(Exists(ResFolder() + L"\\data.zip"));
}

class SetupShortcut : public ::testing::Test {
protected:
    ComApartment com;
};

TEST_F(SetupShortcut, LinksReadBackWithTargetArgumentsAndIcon) {
    TempFolder dir(L"links");
    const std::wstring target = dir.Folder(L"vexa") + L"\\vexa.exe";
    WriteAll(target, "exe");
    const struct {
        const wchar_t* name;
        const wchar_t* arguments;
        bool icon;
    } cases[] = {
        {L"Vexaria.lnk", L"1", false},
        {L"卸载-Vexaria.lnk", L"-u", true},
        {L"Orbelle《Vexaria》.lnk", L"1", false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(CreateShortcut(c.arguments, target, dir.Root(), c.name, c.icon));
        const ShellLinkFields link = ReadShellLink(dir.Path(c.name));
        ASSERT_TRUE(link.loaded);
        EXPECT_EQ(link.target, target);
        EXPECT_EQ(link.arguments, c.arguments);
        EXPECT_EQ(link.description, L"");
        EXPECT_EQ(link.showCommand, SW_SHOWNORMAL);
        if (c.icon) {
            EXPECT_EQ(link.icon, dir.Path(L"vexa\\res\\uninstall.ico"));
            EXPECT_EQ(link.iconIndex, 0);
        } else {
            EXPECT_EQ(link.icon, L"");
        }
    }
    // Rewritten in place.
    ASSERT_TRUE(CreateShortcut(L"other", target, dir.Root(), L"Vexaria.lnk", false));
    EXPECT_EQ(ReadShellLink(dir.Path(L"Vexaria.lnk")).arguments, L"other");
}

TEST_F(SetupShortcut, RefusedWhereTheLinkCannotBeMadeWhole) {
    TempFolder dir(L"refused");
    const std::wstring target = dir.Path(L"vexa.exe");
    std::wstring relative = L"folder", deep = dir.Folder(relative);
    while (deep.size() < 250) deep = dir.Folder(relative += L"\\folder");
    const std::wstring name(259 - deep.size(), L'n');  // folder\name is 260 characters
    EXPECT_FALSE(CreateShortcut(L"1", target, deep, name, false));
    EXPECT_FALSE(Exists(deep + L"\\" + name.substr(0, name.size() - 1)));
    EXPECT_TRUE(CreateShortcut(L"1", target, deep, name.substr(1), false));  // 259 fits

    EXPECT_FALSE(CreateShortcut(L"1", target, dir.Path(L"missing"), L"x.lnk", false));
    // Without COM on the calling thread there is no shell link object.
    bool made = true;
    std::thread([&] { made = CreateShortcut(L"1", target, dir.Root(), L"nocom.lnk", false); }).join();
    EXPECT_FALSE(made);
}
}  // namespace
