#pragma once
// A property page: a dialog resource of the server's module, shown by a
// property frame inside its own window, editing the objects the frame hands
// it. The base does the page's COM side (site, objects, activation, size,
// dirty state); the derived page fills its controls, reacts to their
// commands and writes the objects back.
//
//   class ThingPage : public comkit::PropertyPage {
//   public:
//       ThingPage() : PropertyPage(IDD_THING_PAGE, IDS_THING_PAGE_TITLE) {}
//   protected:
//       void OnInitDialog() override;                 // fill from Objects()
//       void OnCommand(WORD id, WORD code, HWND control) override;
//       HRESULT OnApply() override;                   // write to Objects()
//   };
#include "comkit/module.h"

#include <ocidl.h>
#include <olectl.h>

#include <vector>

namespace comkit {

class PropertyPage : public IPropertyPage2 {
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // Called once after construction by CreateObject.
    virtual HRESULT FinalConstruct() { return S_OK; }

    // IPropertyPage
    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
    STDMETHODIMP Show(UINT cmdShow) override;
    STDMETHODIMP Move(LPCRECT rect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR helpDir) override;
    STDMETHODIMP TranslateAccelerator(MSG* msg) override;
    // IPropertyPage2
    STDMETHODIMP EditProperty(DISPID dispid) override;

protected:
    // dialogId: the page's dialog (a child dialog without WS_VISIBLE);
    // titleId: the string of its title.
    PropertyPage(UINT dialogId, UINT titleId);
    virtual ~PropertyPage();
    PropertyPage(const PropertyPage&) = delete;
    PropertyPage& operator=(const PropertyPage&) = delete;

    // --- what the derived page supplies ---
    // The dialog was created: fill its controls from the objects.
    virtual void OnInitDialog() {}
    // WM_COMMAND from a control of the dialog.
    virtual void OnCommand(WORD, WORD, HWND) {}
    // Writes the controls to the objects.
    virtual HRESULT OnApply() { return S_OK; }
    // The frame asks for one property's control.
    virtual HRESULT OnEditProperty(DISPID) { return E_NOTIMPL; }
    // A message the frame offers before dispatching it; S_OK when used.
    virtual HRESULT OnTranslateAccelerator(MSG*) { return S_FALSE; }
    // The frame's Help button.
    virtual HRESULT OnHelp() { return E_NOTIMPL; }
    // Any other message of the dialog; set handled to answer it.
    virtual INT_PTR OnMessage(UINT, WPARAM, LPARAM, bool& handled) {
        handled = false;
        return 0;
    }

    // --- services for the derived page ---
    HWND Dialog() const { return dialog_; }
    const std::vector<IUnknown*>& Objects() const { return objects_; }
    // The first object's interface riid (a new reference), or null.
    HRESULT FirstObject(REFIID riid, void** object) const;
    // Marks the page dirty (and tells the frame, first that it is dirty,
    // then that it is dirty and to be validated; the frame then offers
    // Apply) or clean.
    void SetDirty(bool dirty);
    bool Dirty() const { return dirty_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
    void ReleaseObjects();
    HRESULT DialogSize(SIZE* size);

    LONG refs_ = 1;
    CountedObject counted_;
    UINT dialogId_;
    UINT titleId_;
    IPropertyPageSite* site_ = nullptr;
    std::vector<IUnknown*> objects_;
    HWND dialog_ = nullptr;
    bool measuring_ = false; // a dialog made only to learn its size
    bool dirty_ = false;
};

} // namespace comkit
