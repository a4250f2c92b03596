#pragma once
// What the kit's tests share: the sample control's DLL loaded the way a host
// loads it, COM set up per test, and small VARIANT and BSTR helpers.
#include <windows.h>
#include <ole2.h>

#include <string>

#include "com_test_support.h"
#include "sample_control_idl.h"

// The sample server DLL beside the test program, loaded for the test's life.
class SampleServer {
public:
    SampleServer();
    ~SampleServer();
    SampleServer(const SampleServer&) = delete;
    SampleServer& operator=(const SampleServer&) = delete;

    static std::wstring Path();
    bool Loaded() const { return module_ != nullptr; }

    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) const;
    HRESULT CanUnloadNow() const;
    HRESULT Register() const;
    HRESULT Unregister() const;

    // A new sample control through DllGetClassObject (no registration).
    HRESULT Create(REFIID riid, void** object) const;

private:
    HMODULE module_ = nullptr;
};

// Each test runs with OLE initialised and the server DLL loaded.
class OleTest : public OleInitialisedTest {
protected:
    void SetUp() override;
    SampleServer server_;
};

VARIANT IntArg(LONG value);
VARIANT BoolArg(bool value);
// A VARIANT holding a copy of text (the caller clears it).
VARIANT TextArg(const wchar_t* text);

// Property get and put and a method call by dispid, through IDispatch.
HRESULT GetProperty(IDispatch* object, DISPID id, VARIANT* value);
HRESULT PutProperty(IDispatch* object, DISPID id, VARIANT value);
LONG GetNumber(IDispatch* object);
std::wstring GetCaption(IDispatch* object);
