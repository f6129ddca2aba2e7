// An in-process COM server that stands in for the Shockwave Flash control in
// the player tests. It activates in place the way a control does (asking its
// site for the window and the frame, and making a child window there) and
// records every step, every property put by name and every put of DISPID
// 102, for the test to read through FakeFlashLog().

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
}

LONG g_objects = 0;

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (; text && *text; ++text) out += *text < 128 ? static_cast<char>(*text) : '?';
    return out;
}

const wchar_t* const kNames[] = {L"WMode", L"Quality2", L"AllowScriptAccess", L"AllowNetworking", L"Scale",
                                 L"BGColor"};
constexpr DISPID kNameCount = static_cast<DISPID>(sizeof(kNames) / sizeof(kNames[0]));
constexpr DISPID kFirstNameId = 200;

class FakeFlash : public IOleObject, public IOleInPlaceObject, public IDispatch {
public:
    FakeFlash() { ::InterlockedIncrement(&g_objects); }
    virtual ~FakeFlash() { ::InterlockedDecrement(&g_objects); }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject) *out = static_cast<IOleObject*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) *out = static_cast<IOleInPlaceObject*>(this);
        else if (iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --m_refs;
        if (left == 0) {
            Log().push_back("released");
            delete this;
        }
        return left;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        if (m_site) m_site->Release();
        m_site = site;
        if (m_site) m_site->AddRef();
        Log().push_back(site ? "SetClientSite" : "SetClientSite(null)");
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override {
        *site = m_site;
        if (m_site) m_site->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        Log().push_back("Close");
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT) override {
        if (verb != OLEIVERB_INPLACEACTIVATE || !site) return E_NOTIMPL;
        IOleInPlaceSite* inPlace = nullptr;
        if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) return E_FAIL;
        HWND siteWindow = nullptr;
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* doc = nullptr;
        RECT position{}, clip{};
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof(info);
        const bool ok = inPlace->CanInPlaceActivate() == S_OK && SUCCEEDED(inPlace->OnInPlaceActivate()) &&
                        SUCCEEDED(inPlace->GetWindow(&siteWindow)) &&
                        SUCCEEDED(inPlace->GetWindowContext(&frame, &doc, &position, &clip, &info));
        if (frame) frame->Release();
        if (doc) doc->Release();
        if (ok) {
            m_inPlaceSite = inPlace;
            m_window = ::CreateWindowExA(0, "STATIC", "fake flash", WS_CHILD | WS_VISIBLE, position.left, position.top,
                                         position.right - position.left, position.bottom - position.top, siteWindow,
                                         nullptr, nullptr, nullptr);
            Log().push_back(std::string("activated") + (siteWindow == parent ? " in the parent" : " elsewhere"));
        } else {
            inPlace->Release();
        }
        return ok ? S_OK : E_FAIL;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* wnd) override {
        *wnd = m_window;
        return m_window ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override {
        Log().push_back("InPlaceDeactivate");
        if (m_window) ::DestroyWindow(m_window);
        m_window = nullptr;
        if (m_inPlaceSite) {
            m_inPlaceSite->OnInPlaceDeactivate();
            m_inPlaceSite->Release();
            m_inPlaceSite = nullptr;
        }
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
        if (m_window)
            ::MoveWindow(m_window, position->left, position->top, position->right - position->left,
                         position->bottom - position->top, TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IDispatch: the start-up properties by name, and the movie as 102.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count != 1) return E_INVALIDARG;
        for (DISPID i = 0; i < kNameCount; ++i) {
            if (::lstrcmpiW(names[0], kNames[i]) == 0) {
                ids[0] = kFirstNameId + i;
                return S_OK;
            }
        }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        if (!(flags & DISPATCH_PROPERTYPUT) || !params || params->cArgs != 1 || params->rgvarg[0].vt != VT_BSTR)
            return DISP_E_MEMBERNOTFOUND;
        const std::string value = Narrow(params->rgvarg[0].bstrVal);
        if (id == 102) {
            Log().push_back("movie=" + value);
        } else if (id >= kFirstNameId && id < kFirstNameId + kNameCount) {
            Log().push_back(Narrow(kNames[id - kFirstNameId]) + "=" + value);
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }
        return S_OK;
    }

private:
    ULONG m_refs = 1;
    IOleClientSite* m_site = nullptr;
    IOleInPlaceSite* m_inPlaceSite = nullptr;
    HWND m_window = nullptr;
};

class Factory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new FakeFlash;
        const HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        if (SUCCEEDED(hr)) Log().push_back("created");
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID iid, void** out) {
    return g_factory.QueryInterface(iid, out);
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }

// The steps so far, joined by newlines; cleared by each call.
extern "C" __declspec(dllexport) int WINAPI FakeFlashLog(char* buffer, int size) {
    std::string joined;
    for (const std::string& line : Log()) joined += line + "\n";
    Log().clear();
    lstrcpynA(buffer, joined.c_str(), size);
    return static_cast<int>(joined.size());
}

extern "C" __declspec(dllexport) LONG WINAPI FakeFlashObjects() { return g_objects; }
