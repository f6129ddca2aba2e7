#pragma once
// A fresh temporary folder per test, removed with everything in it afterwards.

#include <windows.h>

#include <string>

namespace fh::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // Creates the folders on the way; returns the full path.
    std::string MakeFolder(const std::string& relative) const;
    std::string WriteFile(const std::string& relative, const std::string& content) const;

private:
    std::string m_path;
};

// Makes `link` a folder link (a junction) to `target`: through the file
// system's reparse points where it has them, else, under Wine, as the Unix
// symbolic link Wine shows as one. False when neither works.
bool MakeFolderLink(const std::string& link, const std::string& target);
// Removes such a link itself (what it points at stays).
void RemoveFolderLink(const std::string& link);

// Writes a file at a full path, creating its folders.
bool WriteFileAt(const std::string& path, const std::string& content);
// The whole file's bytes (empty when it cannot be read).
std::string ReadFileAt(const std::string& path);
bool PathExists(const std::string& path);
void RemoveTree(const std::string& path);

// A small movie: the signature, a version byte and a length field.
std::string SwfBytes(char first = 'F', std::size_t size = 64);

}  // namespace fh::test
