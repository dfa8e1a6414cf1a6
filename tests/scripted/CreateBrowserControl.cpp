// The test build's factory: the scripted stand-in instead of the system's
// control. Like OleCreate it hands the site over before anything else; the
// storage is not needed.
#include "browser/BrowserControl.h"
#include "tests/scripted/ScriptedBrowser.h"

HRESULT CreateBrowserControl(IOleClientSite* site, IStorage*, IOleObject** control) {
    if (!control) return E_POINTER;
    auto* browser = new ScriptedBrowser;
    browser->SetClientSite(site);
    *control = static_cast<IOleObject*>(browser);
    return S_OK;
}
