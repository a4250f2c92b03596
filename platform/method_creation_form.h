#pragma once
// TForm9: "Create Folivar Method", opened from the settings window.
#include "forms/form.h"

namespace platform {

class TForm9 : public forms::Form {
public:
    TForm9();
};

} // namespace platform
