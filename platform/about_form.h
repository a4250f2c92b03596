#pragma once
// TForm6: the About box.
#include "forms/button.h"
#include "forms/form.h"
#include "forms/label.h"

namespace platform {

class TForm6 : public forms::Form {
public:
    TForm6();
    forms::Label Label1;   // product name and version
    forms::Label Label2;   // credits
    forms::Label Label3;   // funding notice
    forms::Label Label4;   // contact
    forms::Button Button1; // "OK"
};

} // namespace platform
