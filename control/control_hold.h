#pragma once
// Holds a reference on the control for the extent of a member or of a call
// out (an event, a notification, an engine call, an OnRequestEdit): a sink or
// host that releases the control meanwhile does not free it under the caller.
// Every member that calls out takes one first, and nothing of the control is
// used after the hold ends.
#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace quillmark {

class ControlHold {
public:
    explicit ControlHold(IUnknown* unknown) : unknown_(unknown)
    {
        if (unknown_)
            unknown_->AddRef();
    }
    // The control as its parts know it (ControlServices).
    template <class Services,
              class = decltype(std::declval<Services&>().ControlUnknown())>
    explicit ControlHold(Services& control) : ControlHold(control.ControlUnknown()) {}
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
