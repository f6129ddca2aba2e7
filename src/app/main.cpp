#include <windows.h>

#include <cstdlib>

#include "app/flickhold_app.h"

namespace {
fh::CFlickholdApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance(__argc, __argv);
    return 0;
}
