#pragma once
// What the control's mutation programs share: the control made as hosts make
// it (by class id through COM, from the registration the build wrote), its
// saved stream form, and a property bag that lives as bytes so that it can
// be damaged like a file.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <string>
#include <utility>
#include <vector>

#include "mutation_loop.h"

namespace control_mutations {

using mutation::Bytes;

// COM on the worker thread, and the two controls of each case: the one that
// reads the damaged input and a second one for the re-save round. Both live
// for the thread (a control per case would measure creation, not reading).
void ThreadStart();
void ThreadEnd();
IUnknown* Subject();
IUnknown* Second();

// A new control, or null when COM refuses one.
IUnknown* NewControl();

// The control's stream form (empty when Save fails) and a load of bytes.
Bytes SaveStream(IUnknown* control);
HRESULT LoadStream(IUnknown* control, const Bytes& bytes);

// A property bag of name/value pairs. Its bytes: per pair a 2-byte name
// length in characters, the UTF-16 name, a 2-byte VARTYPE and the value:
// 2 bytes for VT_I2 and VT_BOOL, 4 for VT_I4 and VT_UI4, a text as a 4-byte
// character count and its characters, a font as a 4-byte byte count and
// what the system font writes of itself after its class id (0 for none).
// Reading stops at the first pair that does not fit or is of another type:
// the bag holds the pairs before it.
class BytesPropertyBag : public IPropertyBag {
public:
    BytesPropertyBag() = default;
    explicit BytesPropertyBag(const Bytes& bytes);
    ~BytesPropertyBag();
    BytesPropertyBag(const BytesPropertyBag&) = delete;
    BytesPropertyBag& operator=(const BytesPropertyBag&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; } // lives on the stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

    Bytes Serialise() const;

private:
    std::vector<std::pair<std::wstring, VARIANT>> values_;
};

Bytes SaveBag(IUnknown* control);
HRESULT LoadBag(IUnknown* control, const Bytes& bytes);

// Puts a property by dispid through the control's IDispatch.
HRESULT Put(IUnknown* control, DISPID id, VARIANT value);

// The judge both programs use: load (a stream or a bag from bytes), then a
// refused load must leave the stream form as it was, and an accepted one
// re-saved, loaded into the second control and saved again gives the same
// bytes.
using Saver = Bytes (*)(IUnknown*);
using Loader = HRESULT (*)(IUnknown*, const Bytes&);
mutation::Verdict Judge(const Bytes& input, Saver save, Loader load, std::string& note);

// The saved forms of controls holding chosen values (the first is a fresh
// control's), for seeds.
std::vector<Bytes> SeedForms(Saver save);

// The whole program: seeds from SeedForms(save), every case judged with
// save and load on a worker thread that has its two controls.
int RunFormLoop(const char* name, const char* seedLabel, Saver save, Loader load, int argc,
                char** argv);

} // namespace control_mutations
