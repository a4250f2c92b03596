#include "error_object.h"

#include <oleauto.h>

namespace comkit {

void SetErrorObject(REFGUID guid, LPCOLESTR source, LPCOLESTR description, LPCOLESTR helpFile,
                    DWORD helpContext) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create)) || !create) return;
    create->SetGUID(guid);
    create->SetSource(const_cast<LPOLESTR>(source));
    create->SetDescription(const_cast<LPOLESTR>(description));
    if (helpFile) {
        create->SetHelpFile(const_cast<LPOLESTR>(helpFile));
        create->SetHelpContext(helpContext);
    }
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
        SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
}

} // namespace comkit
