#pragma once
// The path object: splits a path into drive, folder, title and extension and
// joins them again. It works on a copy of at most 259 characters; a longer
// path leaves it empty.

#include <string>
#include <string_view>

#include "base/codepage.h"

namespace fh {

class CPath {
public:
    static constexpr std::size_t kMaxLength = 259;

    explicit CPath(const CodePage& cp) : m_cp(cp) {}

    // Takes the text; removes enclosing double quotes and, when asked, the
    // command-line arguments after the path.
    void SetPath(std::string_view text, bool splitArguments = false);

    std::string GetPath() const;
    const std::string& Drive() const { return m_drive; }
    const std::string& Folder() const { return m_folder; }
    const std::string& Title() const { return m_title; }
    const std::string& Extension() const { return m_extension; }
    const std::string& Arguments() const { return m_arguments; }
    bool IsRelative() const { return m_relative; }

private:
    const CodePage& m_cp;
    std::string m_drive;
    std::string m_folder;
    std::string m_title;
    std::string m_extension;
    std::string m_arguments;
    bool m_relative = false;
    bool m_hasDot = false;
};

}  // namespace fh
