#pragma once
// What the kit's tests share: the sample control's DLL loaded the way a host
// loads it, COM set up per test, and small VARIANT and BSTR helpers.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

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
class OleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    SampleServer server_;

private:
    bool initialised_ = false;
};

// An owned BSTR.
class Bstr {
public:
    explicit Bstr(const wchar_t* text = nullptr) : value_(text ? SysAllocString(text) : nullptr) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return value_; }
    BSTR* out() {
        SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }
    std::wstring text() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : L""; }

private:
    BSTR value_;
};

VARIANT IntArg(LONG value);
VARIANT BoolArg(bool value);
// A VARIANT holding a copy of text (the caller clears it).
VARIANT TextArg(const wchar_t* text);
// A VARIANT's value as text, for comparing recorded arguments.
std::wstring VariantText(const VARIANT& v);

// Property get and put and a method call by dispid, through IDispatch.
HRESULT GetProperty(IDispatch* object, DISPID id, VARIANT* value);
HRESULT PutProperty(IDispatch* object, DISPID id, VARIANT value);
LONG GetNumber(IDispatch* object);
std::wstring GetCaption(IDispatch* object);
