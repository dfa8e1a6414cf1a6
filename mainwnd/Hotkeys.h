// The client's global hotkeys: the boss key for the whole session, F5 and the
// full-screen key only while the client is the active application, so that
// other programs keep those keys while the client is in the background.
#pragma once

#include <windows.h>

#include <string>

class CGlobalHotkeys {
public:
    enum Id : int { kRefresh = 1, kBossKey = 2, kFullScreen = 3 };

    // Registers the boss key now and, when this process is the active
    // application, F5 and the full-screen key. A text is a hotkey text of the
    // settings file; an empty one registers nothing for its key.
    void Register(HWND owner, const std::wstring& bossKeyText, const std::wstring& fullScreenText);
    // WM_ACTIVATEAPP: takes or releases F5 and the full-screen key.
    void OnAppActivated(bool active);

    bool HoldsForegroundKeys() const { return m_foregroundHeld; }

private:
    struct Binding {
        bool configured = false;
        UINT modifiers = 0;
        UINT key = 0;
    };
    static Binding Bind(const std::wstring& text);
    void HoldForegroundKeys(bool hold);

    HWND m_owner = nullptr;
    Binding m_fullScreen;
    bool m_foregroundHeld = false;
};

// True when the foreground window belongs to this process.
bool IsAppActive();
