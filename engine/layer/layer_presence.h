#pragma once
// Whether a layer is still one of its engine's after a call out to the host.
// Every call out (a channel, a host service, a window message the host
// answers) may re-enter the engine and delete the layer that made it. Taken
// before the call, a presence holds only the engine and the layer's handle,
// so asking afterwards touches nothing of a layer that may be gone.
//
// A layer that was in no engine's list when the call went out (one being
// read, still owned by the reader) cannot be deleted by the host: it stays.
#include "layer/layer_host.h"

class LayerPresence {
public:
    LayerPresence(LayerHost& host, int handle)
        : host_(host), handle_(handle), listed_(host.HasLayer(handle))
    {
    }

    bool StillThere() const { return !listed_ || host_.HasLayer(handle_); }

private:
    LayerHost& host_;
    int handle_;
    bool listed_;
};
