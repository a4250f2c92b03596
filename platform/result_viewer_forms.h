#pragma once
// TForm4 (input and one result) and TForm5 (input and two page views): the
// step-result viewers, both maximised and captioned "View Results".
#include "forms/form.h"
#include "vistrel_view.h"

namespace platform {

class TForm4 : public forms::Form {
public:
    TForm4();
    TVistrel7_ Vistrel7_1;   // input
    TVistrel7_ Vistrel7_2;   // result
};

class TForm5 : public forms::Form {
public:
    TForm5();
    TVistrel7_ Vistrel7_1;   // input
    TVistrel7_ Vistrel7_2;   // left page
    TVistrel7_ Vistrel7_3;   // right page
};

} // namespace platform
