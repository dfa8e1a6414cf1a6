// The hotkey grammar of the settings file: key table rows, modifiers and the
// texts that name no key.
#include <gtest/gtest.h>

#include "settings/HotkeyParser.h"

// The tests' way to the table's rows, which the parser alone looks up.
struct CHotkeyKeyTableTestAccess {
    static size_t Size(const CHotkeyKeyTable& table) { return table.keys_.size(); }
};

namespace {
struct ParseCase {
    const wchar_t* text;
    uint32_t modifiers;
    uint32_t key;
};

TEST(HotkeyText, ParsesKeysAndModifiers) {
    const ParseCase cases[] = {
        // the settings file's own texts and the defaults
        {L"F10", 0, 0x79},
        {L"F11", 0, 0x7A},
        {L"Ctrl+Shift+A", 6, 0x41},
        {L"0", 0, 0x30},  // what a missing line used to read as
        {L"", 0, 0},
        // one row of each kind of the key table
        {L"Alt", 0, 0x12},  // a modifier name as the key itself
        {L"Shift", 0, 0x10},
        {L"Space", 0, 0x20},
        {L"PageUp", 0, 0x21},
        {L"PageDown", 0, 0x22},
        {L"Home", 0, 0x24},
        {L"Down", 0, 0x28},
        {L"Insert", 0, 0x2D},
        {L"F1", 0, 0x70},
        {L"F12", 0, 0x7B},
        {L"9", 0, 0x39},
        {L"Z", 0, 0x5A},
        {L";", 0, 0xBA},
        {L"\\", 0, 0xDC},
        {L"'", 0, 0xDE},
        {L"`", 0, 0xC0},
        {L"Num0", 0, 0x60},
        {L"Alt+Num5", 1, 0x65},
        {L"Num*", 0, 0x6A},
        {L"NumDel", 0, 0x6E},
        {L"Num/", 0, 0x6F},
        {L"Ctrl+-", 2, 0xBD},
        // modifiers in any order, repeated, all three
        {L"Shift+Ctrl+A", 6, 0x41},
        {L"Ctrl+Ctrl+A", 2, 0x41},
        {L"Alt+Ctrl+Shift+Delete", 7, 0x2E},
        {L"Shift+Alt+F5", 5, 0x74},
        // exact, case-sensitive tokens; blanks belong to the token
        {L"ctrl+a", 0, 0},
        {L"f10", 0, 0},
        {L"Ctrl + A", 0, 0},
        {L" F10", 0, 0},
        {L"Win+A", 0, 0x41},  // unknown modifiers are skipped
        {L"A+Ctrl", 0, 0x11},
        // the key token after the last "+" is empty: no key, and the "+" rows are unreachable
        {L"Ctrl++", 2, 0},
        {L"Ctrl+Num+", 2, 0},
        {L"+", 0, 0},
        {L"Ctrl+", 2, 0},
        {L"++A", 0, 0x41},
        // junk
        {L"F13", 0, 0},
        {L"Num.", 0, 0},
        {L"\x5168\x5C4F", 0, 0},
        {L"Alt+F10x", 1, 0},
    };
    CHotkeyKeyTable table;
    for (const auto& c : cases) {
        uint32_t modifiers = 99, key = 99;
        ParseHotkeyText(table, c.text, modifiers, key);
        const std::string shown = testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(modifiers, c.modifiers) << shown;
        EXPECT_EQ(key, c.key) << shown;
    }
}

TEST(HotkeyText, TableHoldsTheEightyEightRowsAndTheirRuns) {
    CHotkeyKeyTable table;
    EXPECT_EQ(CHotkeyKeyTableTestAccess::Size(table), 88u);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(table.Find(L"F" + std::to_wstring(i + 1)), 0x70u + i);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(table.Find(L"Num" + std::to_wstring(i)), 0x60u + i);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(table.Find(std::to_wstring(i)), 0x30u + i);
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(table.Find(std::wstring(1, static_cast<wchar_t>(L'A' + i))), 0x41u + i);
        EXPECT_EQ(table.Find(std::wstring(1, static_cast<wchar_t>(L'a' + i))), 0u);
    }
}
}  // namespace
