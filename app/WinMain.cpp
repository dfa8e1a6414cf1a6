// Entry point: the application object does everything inside InitInstance.
#include <windows.h>

#include "app/App.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    theApp.InitInstance();
    return theApp.ExitInstance();
}
