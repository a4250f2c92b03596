#pragma once
// TForm5: the step-result viewer for pipelines with a page split — the input
// and two page views. Maximised, "View Results".
#include "forms/form.h"
#include "vistrel_view.h"

namespace platform {

class TForm5 : public forms::Form {
public:
    TForm5();
    TVistrel7_ Vistrel7_1;   // input
    TVistrel7_ Vistrel7_2;   // left page
    TVistrel7_ Vistrel7_3;   // right page
};

} // namespace platform
