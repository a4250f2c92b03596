// IPersistStreamInit::Load of damaged saved streams of the control.
#include "control_mutation_support.h"

int main(int argc, char** argv) {
    using namespace control_mutations;
    return RunFormLoop("control_stream_mutations", "saved stream", SaveStream, LoadStream, argc,
                       argv);
}
