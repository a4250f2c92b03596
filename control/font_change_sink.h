#pragma once
// The IPropertyNotifySink the control advises on one of its default OLE
// fonts: any OnChanged tells the owner which font changed (its code: 1
// stamp, 2 text, 3 button, 4 ruler); OnRequestEdit allows every edit.
//
// The sink keeps the connection it made; Disconnect unadvises it, and
// ForgetOwner cuts the way back to an owner that is going away, so a host
// that keeps the font object after the control is gone changes it safely.
#include <windows.h>
#include <ocidl.h>

#include "comkit/module.h"

namespace quillmark {

class FontChangeSink : public IPropertyNotifySink {
public:
    // What the sink reports to: Notice(code) on every change of its font.
    class Owner {
    public:
        virtual void FontChangeNotice(int code) = 0;

    protected:
        ~Owner() = default;
    };

    // A new sink with one reference for the caller.
    static HRESULT Create(Owner* owner, int code, FontChangeSink** sink);

    // Advises the sink on font's IPropertyNotifySink connection point. A font
    // without a connection-point container or without that point is skipped
    // (false). A sink already connected is first disconnected.
    bool Connect(IUnknown* font);
    // Unadvises the sink from the font it was connected to, if any.
    void Disconnect();
    bool IsConnected() const { return point_ != nullptr; }
    void ForgetOwner() { owner_ = nullptr; }
    int Code() const { return code_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP OnChanged(DISPID id) override;
    STDMETHODIMP OnRequestEdit(DISPID id) override;

private:
    FontChangeSink(Owner* owner, int code) : owner_(owner), code_(code) {}
    virtual ~FontChangeSink();

    LONG refs_ = 1;
    Owner* owner_;
    int code_;
    IConnectionPoint* point_ = nullptr;  // the font's point while connected
    DWORD cookie_ = 0;
    comkit::CountedObject counted_;
};

} // namespace quillmark
