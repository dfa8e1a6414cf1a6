#include "mainwnd/Hotkeys.h"

#include <cstdint>

#include "settings/HotkeyParser.h"

namespace {
const UINT kRefreshKey = VK_F5;
}  // namespace

CGlobalHotkeys::Binding CGlobalHotkeys::Bind(const std::wstring& text) {
    Binding binding;
    if (text.empty()) return binding;
    CHotkeyKeyTable table;
    uint32_t modifiers = 0, key = 0;
    ParseHotkeyText(table, text, modifiers, key);
    binding.configured = true;
    binding.modifiers = modifiers;
    binding.key = key;
    return binding;
}

void CGlobalHotkeys::Register(HWND owner, const std::wstring& bossKeyText, const std::wstring& fullScreenText) {
    m_owner = owner;
    const Binding boss = Bind(bossKeyText);
    if (boss.configured) {
        ::UnregisterHotKey(owner, kBossKey);
        ::RegisterHotKey(owner, kBossKey, boss.modifiers, boss.key);
    }
    m_fullScreen = Bind(fullScreenText);
    HoldForegroundKeys(IsAppActive());
}

void CGlobalHotkeys::OnAppActivated(bool active) {
    if (m_owner) HoldForegroundKeys(active);
}

void CGlobalHotkeys::HoldForegroundKeys(bool hold) {
    if (hold == m_foregroundHeld) return;
    m_foregroundHeld = hold;
    if (hold) {
        ::RegisterHotKey(m_owner, kRefresh, 0, kRefreshKey);
        if (m_fullScreen.configured) ::RegisterHotKey(m_owner, kFullScreen, m_fullScreen.modifiers, m_fullScreen.key);
    } else {
        ::UnregisterHotKey(m_owner, kRefresh);
        ::UnregisterHotKey(m_owner, kFullScreen);
    }
}

bool IsAppActive() {
    DWORD process = 0;
    HWND foreground = ::GetForegroundWindow();
    return foreground && ::GetWindowThreadProcessId(foreground, &process) && process == ::GetCurrentProcessId();
}
