#pragma once
// TForm8 ("Create Folivar Module") and TForm9 ("Create Folivar Method"),
// opened from the settings window.
#include "forms/form.h"

namespace platform {

class TForm8 : public forms::Form {
public:
    TForm8();
};

class TForm9 : public forms::Form {
public:
    TForm9();
};

} // namespace platform
