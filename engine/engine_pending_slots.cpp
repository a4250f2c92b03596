// The operations whose work is not built yet, generated from the interface's
// table and the kind of each operation (engine_slot_kinds.h).
#include "engine_object.h"
#include "engine_slot_kinds.h"

// The generated bodies use only some of their parameters.
#pragma GCC diagnostic ignored "-Wunused-parameter"

#define ENGINE_SLOT_BODY_OWN(name, params)

#define ENGINE_SLOT_BODY_UNSUPPORTED(name, params) \
    int __stdcall EngineObject::name params { return QMK_ErrUnsupportedOperation; }

#define ENGINE_SLOT_BODY_FORWARD(name, params)      \
    int __stdcall EngineObject::name params         \
    {                                               \
        if (!FindLayer(layer))                      \
            return QMK_ErrInvalidLayer;             \
        return QMK_ErrUnsupportedOperation;         \
    }

#define ENGINE_SLOT_BODY_FORWARD_BOOL(name, params) \
    int __stdcall EngineObject::name params { return 0; }

#define ENGINE_SLOT_BODY_FORWARD_SEQ(name, params)  \
    int __stdcall EngineObject::name params         \
    {                                               \
        if (seq)                                    \
            *seq = 0;                               \
        if (!FindLayer(layer))                      \
            return QMK_ErrInvalidLayer;             \
        return QMK_ErrUnsupportedOperation;         \
    }

#define ENGINE_SLOT_BODY_OF(kind, name, params) ENGINE_SLOT_BODY_##kind(name, params)
#define ENGINE_SLOT_BODY(kind, name, params) ENGINE_SLOT_BODY_OF(kind, name, params)
#define ENGINE_SLOT_DEFINE(slot, name, params) ENGINE_SLOT_BODY(ENGINE_SLOT_KIND_##name, name, params)

ANNOTATION_ENGINE_SLOTS(ENGINE_SLOT_DEFINE)
