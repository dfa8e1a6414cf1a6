// The settings file through the system's profile functions, on real files in
// the data folder of the test prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "settings/Settings.h"
#include "tests/win/SetupTestFiles.h"

namespace {
class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(GetDataFolder().empty());
        RemoveTree(ResFolder());
        MakeFolders(ResFolder());
    }
    void TearDown() override { RemoveTree(ResFolder()); }

    static std::wstring Read(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue) {
        wchar_t buffer[kSettingChars];
        wmemset(buffer, L'#', kSettingChars);
        ReadSetting(section, key, defaultValue, buffer);
        return buffer;
    }
};

TEST_F(Settings, PathIsTheDataFolderWithTheStoredRelativeName) {
    EXPECT_EQ(SettingsFilePath(), GetDataFolder() + L"res//systemset.ini");
}

TEST_F(Settings, WithoutTheFileEveryReadYieldsItsDefault) {
    RemoveTree(ResFolder());
    EXPECT_EQ(Read(L"Setting", L"start", L"-1"), L"-1");
    EXPECT_EQ(Read(L"Setting", L"screentoggle", L"0"), L"0");
    EXPECT_EQ(Read(L"Setting", L"fullscreen", L"0"), L"0");
    // The default is cut like a value.
    EXPECT_EQ(Read(L"Setting", L"x", std::wstring(300, L'd').c_str()), std::wstring(259, L'd'));
    // No folder, no file: the write is lost, nothing is made elsewhere.
    WriteSetting(L"Setting", L"start", L"1001");
    EXPECT_FALSE(Exists(ResFolder()));
}

TEST_F(Settings, ReadsAsTheProfileFunctionsDo) {
    const struct {
        const char* file;
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* expected;  // default "dflt"
    } cases[] = {
        {kSettingsTemplate, L"Setting", L"screentoggle", L"F10"},
        {kSettingsTemplate, L"Setting", L"fullscreen", L"F11"},
        {kSettingsTemplate, L"Setting", L"start", L"dflt"},  // not in the template
        {kSettingsTemplate, L"Info", L"code", L""},          // present but empty: not the default
        {kSettingsTemplate, L"Missing", L"code", L"dflt"},
        {kSettingsTemplate, L"Info", L"screentoggle", L"dflt"},  // keys belong to their section
        {"[setting]\r\nSTART=1001\r\n", L"Setting", L"start", L"1001"},  // any letter case
        {"[SETTING]\r\nScreenToggle=F9\r\n", L"Setting", L"screentoggle", L"F9"},
        {"[Setting]\r\nscreentoggle=\r\n", L"Setting", L"screentoggle", L""},
        {"[Setting]\r\nstart =   1001  \r\n", L"Setting", L"start", L"1001"},  // blanks around go
        {"[Setting]\r\nstart=\"Ctrl+F1\"\r\n", L"Setting", L"start", L"Ctrl+F1"},  // enclosing quotes go
        {"[Setting]\r\nstart=a=b\r\n", L"Setting", L"start", L"a=b"},  // after the first "="
        {"[Setting]\nstart=lf only\n", L"Setting", L"start", L"lf only"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteAll(SettingsFile(), c.file));
        EXPECT_EQ(Read(c.section, c.key, L"dflt"), c.expected) << c.file << " [" << testing::PrintToString(std::wstring(c.key)) << "]";
    }
    ASSERT_TRUE(WriteAll(SettingsFile(), "[Setting]\r\nlong=" + std::string(300, 'v') + "\r\n"));
    EXPECT_EQ(Read(L"Setting", L"long", L""), std::wstring(259, L'v'));
}

TEST_F(Settings, MarkerLandsAfterTheLastSettingLineWithCrLf) {
    ASSERT_TRUE(WriteAll(SettingsFile(), kSettingsTemplate));
    ASSERT_EQ(sizeof(kSettingsTemplate) - 1, 137u);
    WriteSetting(L"Setting", L"start", L"1001");
    EXPECT_EQ(ReadAll(SettingsFile()), std::string(kSettingsTemplate) + "start=1001\r\n");
    EXPECT_EQ(Read(L"Setting", L"start", L"-1"), L"1001");

    // An existing entry is replaced where it stands.
    WriteSetting(L"Setting", L"screentoggle", L"Ctrl+F10");
    std::string expected = std::string(kSettingsTemplate) + "start=1001\r\n";
    expected.replace(expected.find("screentoggle=F10"), 16, "screentoggle=Ctrl+F10");
    EXPECT_EQ(ReadAll(SettingsFile()), expected);
}

TEST_F(Settings, WritesIntoTheRightSectionAndCreatesTheFile) {
    WriteSetting(L"Setting", L"start", L"1001");
    EXPECT_EQ(ReadAll(SettingsFile()), "[Setting]\r\nstart=1001\r\n");

    ASSERT_TRUE(WriteAll(SettingsFile(), "[Setting]\r\na=1\r\n[Info]\r\nb=2\r\n"));
    WriteSetting(L"setting", L"start", L"1001");  // the existing section, whatever its case
    EXPECT_EQ(ReadAll(SettingsFile()), "[Setting]\r\na=1\r\nstart=1001\r\n[Info]\r\nb=2\r\n");
    WriteSetting(L"Other", L"k", L"v");
    EXPECT_EQ(Read(L"Other", L"k", L""), L"v");
    EXPECT_EQ(ReadAll(SettingsFile()), "[Setting]\r\na=1\r\nstart=1001\r\n[Info]\r\nb=2\r\n[Other]\r\nk=v\r\n");
}
}  // namespace
