#pragma once
// The application object: prepares the platform, makes sure the settings key
// exists, reads the site flag and runs the main window modally.

#include <string>

namespace fh {

class CFlickholdApp {
public:
    // Runs the whole program; false once the main window has closed, so the
    // process ends without a message loop of its own.
    bool InitInstance(int argc, const char* const* argv);

    // Start-up steps before the main window, separable for tests.
    static void PreparePlatform();
    static void EnsureSettingsKey();
    void ReadCommandLine(int argc, const char* const* argv);

    std::string m_strSite;
};

}  // namespace fh
