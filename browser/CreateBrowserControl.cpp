#include "browser/BrowserControl.h"

#include <exdisp.h>

HRESULT CreateBrowserControl(IOleClientSite* site, IStorage* storage, IOleObject** control) {
    return ::OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr, site, storage,
                       reinterpret_cast<void**>(control));
}
