#pragma once
// TForm2: the start-up splash, shown while the modules are scanned and unpacked.
#include "forms/form.h"
#include "forms/label.h"

namespace platform {

class TForm2 : public forms::Form {
public:
    TForm2();
    forms::Label Label1;   // "Initializing..."
    forms::Label Label2;   // "Loading " + module file name
};

} // namespace platform
