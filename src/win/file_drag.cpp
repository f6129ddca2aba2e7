#include "win/file_drag.h"

#include <ole2.h>
#include <shlobj.h>

#include <cstring>

namespace fh {

HGLOBAL MakeDropFiles(const std::vector<std::string>& paths) {
    std::wstring list;
    for (const std::string& path : paths) {
        const int count = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
        if (count <= 1) continue;
        std::wstring wide(static_cast<std::size_t>(count), L'\0');
        ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], count);
        list += wide;  // with its terminating zero
    }
    list += L'\0';
    const SIZE_T bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (!memory) return nullptr;
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    if (!drop) {
        ::GlobalFree(memory);
        return nullptr;
    }
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    return memory;
}

namespace {

// One interface with its reference count; the object goes with its last reference.
template <class Interface, const IID& kIid>
class ComObject : public Interface {
public:
    virtual ~ComObject() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == kIid) {
            *out = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

private:
    ULONG m_refs = 1;
};

// One format, CF_HDROP in global memory, handed out as a fresh copy each time.
class FileData : public ComObject<IDataObject, IID_IDataObject> {
public:
    explicit FileData(std::vector<std::string> paths) : m_paths(std::move(paths)) {}

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = MakeDropFiles(m_paths);
        medium->pUnkForRelease = nullptr;
        return medium->hGlobal ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        if (!format || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL) ||
            format->dwAspect != DVASPECT_CONTENT)
            return DV_E_FORMATETC;
        return S_OK;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (direction != DATADIR_GET) return E_NOTIMPL;
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return ::SHCreateStdEnumFmtEtc(1, &format, out);
    }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::vector<std::string> m_paths;
};

class DragSource : public ComObject<IDropSource, IID_IDropSource> {
public:
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        return (keys & (MK_LBUTTON | MK_RBUTTON)) ? S_OK : DRAGDROP_S_DROP;
    }
    STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

}  // namespace

DWORD DragFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return DROPEFFECT_NONE;
    auto* data = new FileData(paths);
    auto* source = new DragSource();
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT hr = ::DoDragDrop(data, source, DROPEFFECT_COPY, &effect);
    source->Release();
    data->Release();
    return hr == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

}  // namespace fh
