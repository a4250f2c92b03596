#pragma once
// TForm8: "Create Folivar Module", opened from the settings window.
#include "forms/form.h"

namespace platform {

class TForm8 : public forms::Form {
public:
    TForm8();
};

} // namespace platform
