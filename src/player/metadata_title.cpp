#include "player/metadata_title.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <string>

#include "win/com_ptr.h"

namespace fh {

namespace {

const wchar_t kDublinCore[] = L"http://purl.org/dc/elements/1.1/";
// Metadata is small; a deeper document is not metadata worth reading.
constexpr LONG_PTR kMaxDepth = 64;

using CreateXmlReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// MinGW ships the header but no import library: the function is taken from
// the system's own copy, never from the program's folder.
CreateXmlReaderFn XmlReaderFactory() {
    static const CreateXmlReaderFn create = [] {
        char folder[MAX_PATH] = "";
        const UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH - 16) return CreateXmlReaderFn{};
        HMODULE module = ::LoadLibraryA((std::string(folder) + "\\xmllite.dll").c_str());
        if (!module) return CreateXmlReaderFn{};
        return reinterpret_cast<CreateXmlReaderFn>(reinterpret_cast<void*>(::GetProcAddress(module, "CreateXmlReader")));
    }();
    return create;
}

bool IsTitle(IXmlReader& reader) {
    const wchar_t* local = nullptr;
    const wchar_t* uri = nullptr;
    const wchar_t* prefix = nullptr;
    if (FAILED(reader.GetLocalName(&local, nullptr)) || !local || ::lstrcmpW(local, L"title") != 0) return false;
    if (SUCCEEDED(reader.GetNamespaceUri(&uri, nullptr)) && uri && ::lstrcmpW(uri, kDublinCore) == 0) return true;
    return SUCCEEDED(reader.GetPrefix(&prefix, nullptr)) && prefix && ::lstrcmpW(prefix, L"dc") == 0;
}

std::string ToSystem(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, &out[0], bytes, nullptr, nullptr);
    return out;
}

}  // namespace

std::string MetadataTitle(const std::string& xmlUtf8) {
    const CreateXmlReaderFn create = XmlReaderFactory();
    if (!create || xmlUtf8.empty() || xmlUtf8.size() > 0x7FFFFFFF) return std::string();
    ComPtr<IStream> stream(
        ::SHCreateMemStream(reinterpret_cast<const BYTE*>(xmlUtf8.data()), static_cast<UINT>(xmlUtf8.size())));
    ComPtr<IXmlReader> reader;
    if (!stream || FAILED(create(__uuidof(IXmlReader), reader.PutVoid(), nullptr)) || !reader) return std::string();
    // No document type: no entities of the movie's own to expand.
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxDepth);
    if (FAILED(reader->SetInput(stream.Get()))) return std::string();

    std::wstring text;
    // Elements open inside the title; -1 before it starts.
    int open = -1;
    XmlNodeType type;
    while (reader->Read(&type) == S_OK) {
        if (open < 0) {
            if (type == XmlNodeType_Element && IsTitle(*reader.Get())) {
                if (reader->IsEmptyElement()) break;
                open = 0;
            }
            continue;
        }
        if (type == XmlNodeType_Element && !reader->IsEmptyElement()) {
            ++open;
        } else if (type == XmlNodeType_EndElement) {
            if (open-- == 0) break;
        } else if (type == XmlNodeType_Text || type == XmlNodeType_CDATA || type == XmlNodeType_Whitespace) {
            const wchar_t* value = nullptr;
            UINT length = 0;
            if (SUCCEEDED(reader->GetValue(&value, &length)) && value) text.append(value, length);
            // A title is a line of text, not a document.
            if (text.size() > 4096) break;
        }
    }
    const std::size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return std::string();
    const std::size_t last = text.find_last_not_of(L" \t\r\n");
    return ToSystem(text.substr(first, last - first + 1));
}

}  // namespace fh
