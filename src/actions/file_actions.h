#pragma once
// What the buttons do with movies: save them under free names, open them
// with the program the system associates with SWF files, delete them from
// disk and from the URL cache. The dialogs, message boxes and the shell are
// reached through ActionShell, so that tests can answer them.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "actions/save_names.h"
#include "discovery/swf_entry.h"

namespace fh {

class ActionShell {
public:
    virtual ~ActionShell() = default;
    // The Save As dialog: the chosen full path, or false when cancelled.
    virtual bool AskSavePath(HWND owner, const std::string& initialFolder, const std::string& name,
                             std::string& chosen) = 0;
    // A message box; the button pressed (IDOK, IDYES, IDNO...).
    virtual int Message(HWND owner, const std::string& text, UINT flags) = 0;
    // The shell's "open" verb on a file or folder.
    virtual void Open(const std::string& path) = 0;
    // The folder browser; the chosen folder, or empty.
    virtual std::string BrowseFolder(HWND owner, const std::string& title, const std::string& initialFolder) = 0;
    // The save dialog for the movie list; the chosen path, or false when cancelled.
    virtual bool AskExportPath(HWND owner, const std::string& name, std::string& chosen) = 0;
};

// The real dialogs, message boxes and shell.
ActionShell& SystemShell();

// Saves one movie into the save folder (or where Save As says); false only
// when the Save As dialog was cancelled. The copy never overwrites: where the
// name is taken, by a file or a folder, it goes on with the next number. A
// failed copy shows string 131 followed by the base name, and saving goes on.
// `written` gets the file written (empty when none was).
bool SaveEntry(const SwfEntry& entry, bool askName, const std::string& saveFolder, HWND owner, ActionShell& shell,
               FreeNameFinder& names, std::string* written = nullptr);

// Copies the file to folder\base.swf, or the first free numbered name, the
// base made a safe name first; the name written, or empty when the copy failed.
std::string CopyToFreeName(const std::string& source, const std::string& folder, const std::string& name,
                           FreeNameFinder& names);

// Saves the movie's bytes (extracted when it is a part of another file) by
// CopyToFreeName; a cache's movie gets the cache's last-modified time.
std::string SaveCopy(const SwfEntry& entry, const std::string& folder, const std::string& name, FreeNameFinder& names);

// Opens the movie with the shell: in place when its name ends in ".swf",
// else through a copy named "flickhold_temp_file.swf" in the temporary folder.
void PreviewMovie(const std::string& path, ActionShell& shell);

// Deletes the movies of these ids: the URL-cache entry first (when the
// record has an address), then the file. Records whose file is gone leave
// the list; those whose file is still there stay, and their names are
// returned. Folder rows are neither deleted nor removed.
std::vector<std::string> DeleteEntries(SwfEntryList& entries, const std::vector<std::int32_t>& ids);

}  // namespace fh
