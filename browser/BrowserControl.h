// The one place where the WebBrowser control is made, for the login
// browser and for the game view alike. The release links the system's
// control (CreateBrowserControl.cpp); the scripted test build links a
// stand-in of its own that answers the same interfaces.
#pragma once

#include <ole2.h>

// Creates the control as an embedded OLE object in storage, with site as its
// client site (render option OLERENDER_DRAW, no format).
HRESULT CreateBrowserControl(IOleClientSite* site, IStorage* storage, IOleObject** control);
