#pragma once
// What the tests of COM objects share: OLE set up per test, an owned BSTR,
// VARIANT text, stream bytes, the thread's error information and the
// classes registry as a host reads it.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Each test runs with OLE initialised.
class OleInitialisedTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

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
    bool isNull() const { return value_ == nullptr; }
    std::wstring text() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : L""; }

private:
    BSTR value_;
};

// A VARIANT's value as text, for comparing recorded arguments; a by-reference
// BSTR reads "&" and its text, a value with no text form "?".
std::wstring VariantText(const VARIANT& v);

// The thread's error information, taken (cleared) by TakeErrorInfo.
struct ErrorDetails {
    bool present = false;
    std::wstring description, source, helpFile;
    DWORD helpContext = 0;
    GUID guid = {};
};
ErrorDetails TakeErrorInfo();

// Stream helpers.
std::vector<uint8_t> StreamBytes(IStream* stream);
IStream* StreamOf(const std::vector<uint8_t>& bytes); // positioned at its start
void Append(std::vector<uint8_t>& bytes, const void* data, size_t size);
void Append16(std::vector<uint8_t>& bytes, uint16_t v);
void Append32(std::vector<uint8_t>& bytes, uint32_t v);

// HKEY_CLASSES_ROOT as this process sees it.
bool KeyExists(const std::wstring& path);
// The text of a REG_SZ value (null name: the default value), or "<missing>".
std::wstring ClassesValue(const std::wstring& path, const wchar_t* name);
