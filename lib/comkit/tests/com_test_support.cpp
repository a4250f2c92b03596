#include "com_test_support.h"

void OleInitialisedTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    initialised_ = true;
}

void OleInitialisedTest::TearDown() {
    if (initialised_) OleUninitialize();
    initialised_ = false;
}

std::wstring VariantText(const VARIANT& v) {
    if (v.vt == (VT_BYREF | VT_BSTR))
        return L"&" + std::wstring(*v.pbstrVal ? *v.pbstrVal : L"");
    VARIANT copy;
    VariantInit(&copy);
    if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(&v), 0, VT_BSTR))) return L"?";
    std::wstring text = copy.bstrVal ? copy.bstrVal : L"";
    VariantClear(&copy);
    return text;
}

ErrorDetails TakeErrorInfo() {
    ErrorDetails d;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return d;
    d.present = true;
    BSTR text = nullptr;
    if (SUCCEEDED(info->GetDescription(&text)) && text) d.description = text;
    SysFreeString(text);
    text = nullptr;
    if (SUCCEEDED(info->GetSource(&text)) && text) d.source = text;
    SysFreeString(text);
    text = nullptr;
    if (SUCCEEDED(info->GetHelpFile(&text)) && text) d.helpFile = text;
    SysFreeString(text);
    info->GetHelpContext(&d.helpContext);
    info->GetGUID(&d.guid);
    info->Release();
    return d;
}

std::vector<uint8_t> StreamBytes(IStream* stream) {
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<uint8_t> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    if (!bytes.empty()) stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got);
    return bytes;
}

IStream* StreamOf(const std::vector<uint8_t>& bytes) {
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

void Append(std::vector<uint8_t>& bytes, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
}
void Append16(std::vector<uint8_t>& bytes, uint16_t v) { Append(bytes, &v, 2); }
void Append32(std::vector<uint8_t>& bytes, uint32_t v) { Append(bytes, &v, 4); }

bool KeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring ClassesValue(const std::wstring& path, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"<missing>";
    wchar_t text[1024] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    const LONG rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text),
                                     &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ ? std::wstring(text) : L"<missing>";
}
