// IPersistPropertyBag::Load from property bags built from damaged saved bags
// of the control.
#include "control_mutation_support.h"

int main(int argc, char** argv) {
    using namespace control_mutations;
    return RunFormLoop("control_property_bag_mutations", "saved bag", SaveBag, LoadBag, argc,
                       argv);
}
