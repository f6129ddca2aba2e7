#include "player/flash_host.h"

#include <ocidl.h>
#include <oleauto.h>

namespace fh {

const CLSID CLSID_ShockwaveFlash = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

namespace {

constexpr DISPID kDispidMovie = 102;

std::wstring Widen(const std::string& text) {
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

}  // namespace

const std::vector<std::pair<const wchar_t*, const wchar_t*>>& FlashStartProperties() {
    static const std::vector<std::pair<const wchar_t*, const wchar_t*>> properties = {
        // Cached movies come from anywhere on the web and run from a local
        // path: no scripting out of the movie, no connections from it.
        {L"WMode", L"Window"}, {L"Quality2", L"High"}, {L"AllowScriptAccess", L"never"},
        {L"AllowNetworking", L"none"}, {L"Scale", L"ShowAll"}, {L"BGColor", L"FFFFFF"},
    };
    return properties;
}

CFlashHost::~CFlashHost() { Destroy(); }

bool CFlashHost::Create(HWND parent, const CLSID& clsid) {
    Destroy();
    m_parent = parent;
    ComPtr<IOleObject> object;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.PutVoid())) || !object)
        return false;
    object->SetClientSite(static_cast<IOleClientSite*>(this));
    if (auto persist = object.As<IPersistStreamInit>(IID_IPersistStreamInit)) persist->InitNew();
    RECT rect{};
    ::GetClientRect(parent, &rect);
    if (FAILED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, parent,
                              &rect))) {
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
        return false;
    }
    m_object = std::move(object);
    m_dispatch = m_object.As<IDispatch>(IID_IDispatch);
    // Properties the control does not know by these names are left alone.
    if (m_dispatch) {
        for (const auto& property : FlashStartProperties()) {
            LPOLESTR name = const_cast<LPOLESTR>(property.first);
            DISPID id = DISPID_UNKNOWN;
            if (SUCCEEDED(m_dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)))
                PutProperty(id, property.second);
        }
    }
    return true;
}

bool CFlashHost::PutProperty(DISPID id, const std::wstring& value) {
    if (!m_dispatch) return false;
    BSTR text = ::SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    if (!text) return false;
    VARIANT argument;
    ::VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = text;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&argument, &named, 1, 1};
    const HRESULT hr =
        m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    ::VariantClear(&argument);
    return SUCCEEDED(hr);
}

bool CFlashHost::PutMovie(const std::string& path) { return PutProperty(kDispidMovie, Widen(path)); }

void CFlashHost::Resize(const RECT& rect) {
    if (!m_object) return;
    if (auto inPlace = m_object.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) inPlace->SetObjectRects(&rect, &rect);
}

void CFlashHost::Destroy() {
    m_dispatch.Reset();
    if (!m_object) return;
    if (auto inPlace = m_object.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) inPlace->InPlaceDeactivate();
    m_object->Close(OLECLOSE_NOSAVE);
    m_object->SetClientSite(nullptr);
    m_object.Reset();
}

STDMETHODIMP CFlashHost::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) *out = static_cast<IOleInPlaceFrame*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP CFlashHost::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CFlashHost::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CFlashHost::GetWindow(HWND* wnd) {
    if (!wnd) return E_POINTER;
    *wnd = m_parent;
    return S_OK;
}

STDMETHODIMP CFlashHost::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT position,
                                          LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (frame) {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
    }
    if (doc) *doc = nullptr;
    RECT rect{};
    ::GetClientRect(m_parent, &rect);
    if (position) *position = rect;
    if (clip) *clip = rect;
    if (info) {
        info->fMDIApp = FALSE;
        info->hwndFrame = ::GetAncestor(m_parent, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

}  // namespace fh
