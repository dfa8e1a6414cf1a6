#include "settings/HotkeyParser.h"

namespace {
struct NamedKey {
    const wchar_t* name;
    uint32_t code;
};

// Keys whose names do not follow from a run of codes.
const NamedKey kNamedKeys[] = {
    {L"Alt", 0x12},    {L"Ctrl", 0x11},     {L"Shift", 0x10},   {L"Space", 0x20},  {L"PageUp", 0x21},
    {L"PageDown", 0x22}, {L"End", 0x23},    {L"Home", 0x24},    {L"Left", 0x25},   {L"Up", 0x26},
    {L"Right", 0x27},  {L"Down", 0x28},     {L"Insert", 0x2D},  {L"Delete", 0x2E}, {L";", 0xBA},
    {L"+", 0xBB},      {L",", 0xBC},        {L"-", 0xBD},       {L".", 0xBE},      {L"/", 0xBF},
    {L"`", 0xC0},      {L"[", 0xDB},        {L"\\", 0xDC},      {L"]", 0xDD},      {L"'", 0xDE},
    {L"Num*", 0x6A},   {L"Num+", 0x6B},     {L"Num-", 0x6D},    {L"NumDel", 0x6E}, {L"Num/", 0x6F},
};

uint32_t ModifierFlag(const std::wstring& token) {
    if (token == L"Alt") return kHotkeyAlt;
    if (token == L"Ctrl") return kHotkeyCtrl;
    if (token == L"Shift") return kHotkeyShift;
    return 0;
}
}  // namespace

CHotkeyKeyTable::CHotkeyKeyTable() {
    for (const NamedKey& key : kNamedKeys) keys_[key.name] = key.code;
    for (uint32_t i = 0; i < 12; ++i) keys_[L"F" + std::to_wstring(i + 1)] = 0x70 + i;
    for (uint32_t i = 0; i < 10; ++i) {
        keys_[std::wstring(1, static_cast<wchar_t>(L'0' + i))] = 0x30 + i;
        keys_[L"Num" + std::to_wstring(i)] = 0x60 + i;
    }
    for (uint32_t i = 0; i < 26; ++i) keys_[std::wstring(1, static_cast<wchar_t>(L'A' + i))] = 0x41 + i;
}

uint32_t CHotkeyKeyTable::Find(const std::wstring& name) const {
    auto it = keys_.find(name);
    return it == keys_.end() ? 0 : it->second;
}

void ParseHotkeyText(const CHotkeyKeyTable& table, std::wstring text, uint32_t& modifiers, uint32_t& keyCode) {
    modifiers = 0;
    size_t plus;
    while ((plus = text.find(L'+')) != std::wstring::npos) {
        modifiers |= ModifierFlag(text.substr(0, plus));
        text.erase(0, plus + 1);
    }
    keyCode = table.Find(text);
}
