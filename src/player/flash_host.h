#pragma once
// A minimal OLE container of our own for the Shockwave Flash control: client
// site, in-place site and frame, enough for the control to activate in place
// inside the player window. No ATL: the control is created with
// CoCreateInstance, its start-up properties are set by name through its
// automation interface, and the movie by a property put of DISPID 102.

#include <windows.h>
#include <ole2.h>

#include <string>
#include <utility>
#include <vector>

#include "win/com_ptr.h"

namespace fh {

// {D27CDB6E-AE6D-11CF-96B8-444553540000}
extern const CLSID CLSID_ShockwaveFlash;

// The control's properties at start, by name: window mode, quality, script
// access, scale mode and background colour.
const std::vector<std::pair<const wchar_t*, const wchar_t*>>& FlashStartProperties();

class CFlashHost : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    CFlashHost() = default;
    CFlashHost(const CFlashHost&) = delete;
    CFlashHost& operator=(const CFlashHost&) = delete;
    virtual ~CFlashHost();

    // Creates the control in `parent` and activates it in place; false when
    // the class is not registered or refuses (the host is then empty).
    bool Create(HWND parent, const CLSID& clsid = CLSID_ShockwaveFlash);
    bool Active() const { return static_cast<bool>(m_object); }
    // Sets the movie (DISPID 102) to a file path.
    bool PutMovie(const std::string& path);
    void Resize(const RECT& rect);
    // Deactivates, closes and releases the control.
    void Destroy();

    // IUnknown (the host lives as long as its owner; counts are kept for the control)
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (of both the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* wnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    bool PutProperty(DISPID id, const std::wstring& value);

    HWND m_parent = nullptr;
    ULONG m_refs = 0;
    ComPtr<IOleObject> m_object;
    ComPtr<IDispatch> m_dispatch;
};

}  // namespace fh
