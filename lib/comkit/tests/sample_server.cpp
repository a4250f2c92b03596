// The class table of the sample control's server.
#include "comkit/module.h"

#include "sample_control.h"

namespace {

const DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT |
                          OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;

const comkit::ClassEntry kClasses[] = {
    {&CLSID_SampleControl, &comkit::CreateObject<SampleControl>, L"ComKitTest.SampleControl.1",
     L"ComKitTest.SampleControl", L"ComKit Sample Control", L"Apartment", true, kMiscStatus,
     &LIBID_ComKitSampleLib, 1, 0, 0, nullptr, false, false, nullptr, 0, false, false},
};

} // namespace

comkit::ClassTable comkit::ServerClasses() {
    return {kClasses, sizeof kClasses / sizeof kClasses[0]};
}
