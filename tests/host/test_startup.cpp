// Command-line classification, path helpers and the update-log line format.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/Paths.h"
#include "app/UpdateLog.h"

namespace {
struct ClassifyCase {
    const wchar_t* line;
    StartMode mode;
};

TEST(CommandLine, ClassifiesRawLines) {
    const ClassifyCase cases[] = {
        {L"", StartMode::Normal},
        {L"\"C:\\Games\\vexa.exe\"", StartMode::Normal},  // as the shell passes it
        {L"C:\\Games\\vexa.exe", StartMode::Normal},
        {L"1", StartMode::Normal},                        // the shortcuts' argument
        {L"-", StartMode::Normal},
        {L"-d", StartMode::HandOver},                     // hand-over mode, which then runs the client
        {L"-d C:\\x\\vexa.exe", StartMode::HandOver},
        {L"-dXC:\\x\\vexa.exe", StartMode::HandOver},     // third character unexamined
        {L"-d C:\\x\\ends-u", StartMode::HandOver},       // the head test comes first
        {L"-D C:\\x\\vexa.exe", StartMode::Normal},       // case-sensitive
        {L"-U C:\\x\\vexa.exe", StartMode::Normal},
        {L"-u", StartMode::UninstallStageOne},
        {L"C:\\x\\vexa.exe -u", StartMode::UninstallStageOne},  // the registered uninstall command
        {L"\"C:\\x\\vexa.exe\" -u", StartMode::UninstallStageOne},
        {L"-u C:\\x\\vexa.exe", StartMode::UninstallStageTwo},
        {L"-u C:\\x\\odd-u", StartMode::UninstallStageOne},     // the tail test comes first
        {L"-u C:\\x\\vexa.exe -U", StartMode::UninstallStageTwo},
    };
    for (const auto& c : cases) EXPECT_EQ(ClassifyCommandLine(c.line), c.mode) << "line: " << testing::PrintToString(std::wstring(c.line));
}

TEST(CommandLine, PathAfterSwitchSkipsThreeCharacters) {
    EXPECT_EQ(PathAfterSwitch(L"-d C:\\a b\\vexa.exe"), L"C:\\a b\\vexa.exe");
    EXPECT_EQ(PathAfterSwitch(L"-dXC:\\v.exe"), L"C:\\v.exe");
    EXPECT_EQ(PathAfterSwitch(L"-d"), L"");
    EXPECT_EQ(PathAfterSwitch(L"-d "), L"");
}

TEST(Paths, FolderFileAndFullness) {
    EXPECT_EQ(FolderOf(L"C:\\a\\b\\vexa.exe"), L"C:\\a\\b");
    EXPECT_EQ(FolderOf(L"vexa.exe"), L"");
    EXPECT_EQ(FileNameOf(L"C:\\a\\vexa.exe"), L"vexa.exe");
    EXPECT_EQ(FileNameOf(L"vexa.exe"), L"vexa.exe");
    EXPECT_TRUE(IsFullPath(L"C:\\a\\vexa.exe"));
    EXPECT_TRUE(IsFullPath(L"\\\\server\\share\\vexa.exe"));
    EXPECT_FALSE(IsFullPath(L"a\\vexa.exe"));
    EXPECT_FALSE(IsFullPath(L"C:vexa.exe"));
    EXPECT_FALSE(IsFullPath(L"\\vexa.exe"));
    EXPECT_TRUE(FitsMaxPath(std::wstring(259, L'a')));
    EXPECT_FALSE(FitsMaxPath(std::wstring(260, L'a')));
    EXPECT_FALSE(FitsMaxPath(L""));
}

TEST(UpdateLog, PadsFieldsWithBlanks) {
    EXPECT_EQ(FormatLogLine(2021, 7, 14, 8, 36, 5, L"msg"), L"2021- 7-14  8:36: 5 : \tUpdateModule\tmsg");
    EXPECT_EQ(FormatLogLine(2024, 3, 1, 9, 5, 3, L"Finish Update."),
              L"2024- 3- 1  9: 5: 3 : \tUpdateModule\tFinish Update.");
    EXPECT_EQ(FormatLogLine(2024, 12, 31, 23, 59, 59, L""), L"2024-12-31 23:59:59 : \tUpdateModule\t");
}
}  // namespace
