// The WebBrowser control's document mode for this executable, through the
// real registry: written before a control is made, and only when missing or
// different.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/Paths.h"
#include "app/Shell.h"
#include "base/Owners.h"
#include "browser/BrowserEmulation.h"
#include "browser/MyHtmlView.h"
#include "login/WebFormLogin.h"
#include "tests/win/TestAccess.h"

namespace {
const std::wstring kThisExe = FileNameOf(GetModulePath());  // wintests.exe

RegKey OpenEmulationKey() {
    RegKey key;
    RegCreateKeyExW(HKEY_CURRENT_USER, kBrowserEmulationKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                    nullptr);
    return key;
}

// The value's type and DWORD, or type REG_NONE when it is missing.
std::pair<DWORD, DWORD> ReadValue(const std::wstring& name) {
    RegKey key = OpenEmulationKey();
    DWORD type = REG_NONE, data = 0, size = sizeof(data);
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
        ERROR_SUCCESS)
        return {REG_NONE, 0};
    return {type, data};
}

void SetDword(const std::wstring& name, DWORD value) {
    RegKey key = OpenEmulationKey();
    RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void DeleteValue(const std::wstring& name) { RegDeleteValueW(OpenEmulationKey().Get(), name.c_str()); }

TEST(BrowserEmulation, WrittenOnlyWhenMissingOrDifferent) {
    const struct {
        const char* what;
        void (*before)();
        bool written;
    } cases[] = {
        {"missing", [] { DeleteValue(kThisExe); }, true},
        {"another mode", [] { SetDword(kThisExe, 7000); }, true},
        {"as text", [] {
             const wchar_t text[] = L"11001";
             RegSetValueExW(OpenEmulationKey().Get(), kThisExe.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text), sizeof(text));
         }, true},
        {"already in place", [] { SetDword(kThisExe, 11001); }, false},
    };
    SetDword(L"other.exe", 7000);
    for (const auto& c : cases) {
        c.before();
        // Any write to the key signals the event.
        RegKey key = OpenEmulationKey();
        KernelHandle changed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        ASSERT_EQ(RegNotifyChangeKeyValue(key.Get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed.Get(), TRUE),
                  ERROR_SUCCESS);
        EXPECT_TRUE(EnsureBrowserEmulation()) << c.what;
        EXPECT_EQ(WaitForSingleObject(changed.Get(), 500) == WAIT_OBJECT_0, c.written) << c.what;
        EXPECT_EQ(ReadValue(kThisExe), std::make_pair(DWORD(REG_DWORD), DWORD(11001))) << c.what;
    }
    EXPECT_EQ(ReadValue(L"other.exe"), std::make_pair(DWORD(REG_DWORD), DWORD(7000)));  // another program's
}

// The game view whose control, while it is being made, asks its site for
// the first time: the value must already be there then.
class ProbedView : public CMyHtmlView {
public:
    bool probed = false;
    std::pair<DWORD, DWORD> valueAtFirstCall;

private:
    class ProbedSite : public CSite {
    public:
        explicit ProbedSite(ProbedView& view) : CSite(view), view_(view) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
            Probe();
            return CSite::QueryInterface(iid, out);
        }
        STDMETHODIMP_(ULONG) AddRef() override {
            Probe();
            return CSite::AddRef();
        }

    private:
        void Probe() {
            if (view_.probed) return;
            view_.probed = true;
            view_.valueAtFirstCall = ReadValue(kThisExe);
        }
        ProbedView& view_;
    };

    std::unique_ptr<CSite> CreateSite() override { return std::make_unique<ProbedSite>(*this); }
};

TEST(BrowserEmulation, InPlaceBeforeEitherHostMakesItsControl) {
    DeleteValue(kThisExe);
    HWND main = CreateWindowExW(0, L"STATIC", L"main", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    {
        ProbedView view;
        ASSERT_TRUE(view.Create(L"MyWebBrowser", WS_CHILD | WS_VISIBLE, RECT{0, 30, 800, 600}, main, 1000));
        ASSERT_TRUE(view.probed);
        EXPECT_EQ(view.valueAtFirstCall, std::make_pair(DWORD(REG_DWORD), DWORD(11001)));
    }
    DeleteValue(kThisExe);
    {
        WebFormLogin login(main);
        ASSERT_TRUE(CWebBrowserBaseTestAccess::OleObject(login));
        EXPECT_EQ(ReadValue(kThisExe), std::make_pair(DWORD(REG_DWORD), DWORD(11001)));
    }
    DestroyWindow(main);
}
}  // namespace
