#include "discovery/path.h"

namespace fh {

namespace {
constexpr std::size_t npos = std::string_view::npos;
}

void CPath::SetPath(std::string_view text, bool splitArguments) {
    m_drive.clear();
    m_folder.clear();
    m_title.clear();
    m_extension.clear();
    m_arguments.clear();
    m_relative = false;
    m_hasDot = false;

    std::string work(text);
    if (splitArguments) {
        // The path ends at the closing quote, or at the first space outside quotes.
        std::size_t end = npos;
        if (!work.empty() && work[0] == '"') {
            std::size_t close = m_cp.Find(work, '"', 1);
            end = close == npos ? npos : close + 1;
        } else {
            end = m_cp.Find(work, ' ');
        }
        if (end != npos && end < work.size()) {
            std::size_t args = end;
            while (args < work.size() && work[args] == ' ') ++args;
            m_arguments = work.substr(args);
            work.resize(end);
        }
    }
    if (work.size() >= 2 && work.front() == '"' && work.back() == '"') work = work.substr(1, work.size() - 2);
    if (work.size() > kMaxLength) return;

    std::size_t pos = 0;
    if (work.size() >= 2 && work[1] == ':' && !m_cp.IsLeadByte(static_cast<unsigned char>(work[0]))) {
        m_drive = work.substr(0, 2);
        pos = 2;
    }
    std::string rest = work.substr(pos);
    for (std::size_t i = 0; i < rest.size(); i += m_cp.CharLength(rest, i))
        if (rest[i] == '/') rest[i] = '\\';
    std::size_t slash = m_cp.FindLast(rest, '\\');
    std::string file = rest;
    if (slash != npos) {
        m_folder = rest.substr(0, slash + 1);
        file = rest.substr(slash + 1);
    }
    m_relative = m_folder.empty() || m_folder[0] != '\\';
    std::size_t dot = m_cp.FindLast(file, '.');
    if (dot == npos) {
        m_title = file;
    } else {
        m_title = file.substr(0, dot);
        m_extension = file.substr(dot + 1);
        m_hasDot = true;
    }
}

std::string CPath::GetPath() const {
    std::string path = m_drive + m_folder + m_title;
    if (m_hasDot) path += "." + m_extension;
    return path;
}

}  // namespace fh
