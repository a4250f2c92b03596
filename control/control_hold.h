#pragma once
// Holds a reference on the control for the extent of a call out (an event, an
// OnRequestEdit): a sink or host that releases the control meanwhile does not
// free it under the caller.
#include "control_services.h"

namespace quillmark {

class ControlHold {
public:
    explicit ControlHold(ControlServices& control) : unknown_(control.ControlUnknown())
    {
        if (unknown_)
            unknown_->AddRef();
    }
    ~ControlHold()
    {
        if (unknown_)
            unknown_->Release();  // may be the last: nothing of the control is used after
    }
    ControlHold(const ControlHold&) = delete;
    ControlHold& operator=(const ControlHold&) = delete;

private:
    IUnknown* unknown_;
};

} // namespace quillmark
