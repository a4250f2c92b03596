// The class table of the Vistrel 7 control's server.
#include "comkit/module.h"

#include "vistrel7_control.h"

namespace {

const DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT |
                          OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;

const comkit::ClassEntry kClasses[] = {
    {&CLSID_Vistrel7, &comkit::CreateObject<Vistrel7Control>, L"Vistrel.Vistrel7.1",
     L"Vistrel.Vistrel7", L"Vistrel 7 Image Control", L"Apartment", true, kMiscStatus,
     &LIBID_Vistrel7Lib, 7, 0, 0, nullptr, false, false, nullptr, 0, false, false},
};

} // namespace

comkit::ClassTable comkit::ServerClasses() {
    return {kClasses, sizeof kClasses / sizeof kClasses[0]};
}
