// Hotkey texts of the settings file ("Ctrl+Shift+A", "F10") turned into the
// modifier flags and the virtual-key code that RegisterHotKey takes.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// The fixed table of key names and their virtual-key codes. Names are exact
// and case-sensitive: "A" is a key, "a" is not.
class CHotkeyKeyTable {
public:
    CHotkeyKeyTable();

    // The code of a key name, or 0 when the table has no such name.
    uint32_t Find(const std::wstring& name) const;

private:
    friend struct CHotkeyKeyTableTestAccess;  // the host tests count the rows

    std::map<std::wstring, uint32_t> keys_;
};

// Modifier flags of RegisterHotKey.
enum : uint32_t { kHotkeyAlt = 1, kHotkeyCtrl = 2, kHotkeyShift = 4 };

// Splits the text at every "+": the tokens before the last "+" are modifiers
// (unknown ones are skipped), the token after it is the key. A text that
// names no key leaves keyCode at 0.
void ParseHotkeyText(const CHotkeyKeyTable& table, std::wstring text, uint32_t& modifiers, uint32_t& keyCode);
