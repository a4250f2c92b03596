#pragma once
// TForm4: the step-result viewer for pipelines without a page split — the
// input on the left, one result on the right. Maximised, "View Results".
#include "forms/form.h"
#include "vistrel_view.h"

namespace platform {

class TForm4 : public forms::Form {
public:
    TForm4();
    TVistrel7_ Vistrel7_1;   // input
    TVistrel7_ Vistrel7_2;   // result
};

} // namespace platform
