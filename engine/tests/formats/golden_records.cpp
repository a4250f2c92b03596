#include "golden_records.h"

namespace formats_test {

Bytes FreshStreamHeader(uint32_t layerCount)
{
    Hand h;
    h.D(36871);  // magic
    h.R(34, 0);
    h.R(130, 0).R(131, 1).R(132, 1);
    h.R(133, 1);  // palette menus: the live value (on), not the map's 0
    h.R(134, 1).R(135, 0).R(136, 0).R(137, 1).R(138, 0).R(139, 1);
    h.R(140, 0xFFFFFFFF).R(141, 0xFFFFFFFF);
    // 768-771: empty summary texts write nothing; 896, 897: no mapping size.
    h.D(2081).Str(L"in").D(2082).Str(L"ft").D(2083).Str(L"yd").D(2084).Str(L"mi");
    h.D(2085).Str(L"\u00B5m").D(2086).Str(L"mm").D(2087).Str(L"cm").D(2088).Str(L"dm");
    h.D(2089).Str(L"m").D(2090).Str(L"dam").D(2091).Str(L"km");
    h.D(2093).Str(L"pixels").D(2094).Str(L"twips");  // no 2092
    h.D(2119).Font(15, "Times New Roman");
    h.R(2128, 0).R(2129, 0);
    h.R(4097, 0xFF0000).R(4098, 0).R(4099, 0xFFFFFF).R(4100, 0xC0C0C0).R(4101, 1);
    h.R(4104, 0).R(4105, 0);
    // 4128, 4131: no stamp or button text.
    h.R(4225, 4103);
    h.R(36760, 7);
    h.R(36761, layerCount);
    h.R(36764, 0);
    h.D(40960).Font(15, "Courier New");
    h.D(40961).Font(15, "Times New Roman");
    h.D(40962).Font(15, "Times New Roman");
    h.D(36759);  // end of settings
    return h.bytes();
}

} // namespace formats_test
