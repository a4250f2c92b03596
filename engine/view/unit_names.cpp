#include "view/unit_names.h"

namespace {

// The ANSI texts of the labels, in unit order; the micrometre label is made
// apart because it depends on the platform.
const char* const kAnsiLabels[UnitNames::kLabelCount] = {
    "in", "ft", "yd", "mi", nullptr, "mm", "cm", "dm", "m", "dam", "km", "pixels", "twips",
};
constexpr int kMicrometreIndex = 4;

BSTR AnsiToBstr(const char* text, UINT codePage) {
    int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (length <= 0) return SysAllocString(L"");
    BSTR result = SysAllocStringLen(nullptr, length - 1);
    if (result) MultiByteToWideChar(codePage, 0, text, -1, result, length);
    return result;
}

DWORD CurrentPlatformId() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
    return info.dwPlatformId;
}

} // namespace

UnitNames::UnitNames() : UnitNames(CurrentPlatformId()) {}

UnitNames::UnitNames(DWORD platformId)
    : windowsNt_(platformId == VER_PLATFORM_WIN32_NT),
      windows9x_(platformId == VER_PLATFORM_WIN32_WINDOWS) {
    MakeLabels();
}

UnitNames::~UnitNames() {
    for (BSTR& label : labels_) {
        SysFreeString(label);
        label = nullptr;
    }
}

void UnitNames::MakeLabels() {
    for (int i = 0; i < kLabelCount; ++i) {
        if (i == kMicrometreIndex) {
            // The micro sign is byte 0xB5 of the Western code page.
            labels_[i] = windows9x_ ? AnsiToBstr("mcm", CP_ACP) : AnsiToBstr("\xB5m", 1252);
        } else {
            labels_[i] = AnsiToBstr(kAnsiLabels[i], CP_ACP);
        }
    }
}

int UnitNames::LabelIndexOfUnit(int unitCode) {
    if (unitCode >= 2049 && unitCode <= 2059) return unitCode - 2049;
    if (unitCode == 2061) return 11;
    if (unitCode == 2062) return 12;
    return -1;
}

int UnitNames::LabelIndexOfProperty(int propertyCode) {
    return LabelIndexOfUnit(propertyCode - 32);
}

BSTR UnitNames::LabelOfUnit(int unitCode) const {
    return Label(LabelIndexOfUnit(unitCode));
}

BSTR UnitNames::Label(int index) const {
    if (index < 0 || index >= kLabelCount) return nullptr;
    return labels_[index];
}

bool UnitNames::SetLabel(int index, BSTR text) {
    if (index < 0 || index >= kLabelCount || !text) return false;
    BSTR copy = SysAllocStringLen(text, SysStringLen(text));
    if (!copy) return false;
    SysFreeString(labels_[index]);
    labels_[index] = copy;
    return true;
}
