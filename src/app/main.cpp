#include <windows.h>

#include <cstdlib>

#include "app/batch_mode.h"
#include "app/flickhold_app.h"
#include "discovery/archive_source.h"

namespace {
fh::CFlickholdApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (const auto exit = fh::RunBatchIfAsked(__argc, __argv)) return *exit;
    theApp.InitInstance(__argc, __argv);
    fh::RemoveExtractedMovies();
    return 0;
}
