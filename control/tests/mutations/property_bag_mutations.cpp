// IPersistPropertyBag::Load from property bags built from damaged saved bags
// of the control.
#include "control_mutation_support.h"

using namespace control_mutations;

int main(int argc, char** argv) {
    mutation::Loop loop;
    loop.name = "control_property_bag_mutations";
    OleInitialize(nullptr);
    const std::vector<Bytes> forms = SeedForms(SaveBag);
    OleUninitialize();
    for (size_t i = 0; i < forms.size(); ++i)
        if (!forms[i].empty()) mutation::AddSeed(loop.seeds, "saved bag " + std::to_string(i), forms[i]);
    loop.threadStart = ThreadStart;
    loop.threadEnd = ThreadEnd;
    loop.judge = [](const mutation::Case& input, std::string& note) {
        return Judge(input.bytes, SaveBag, LoadBag, note);
    };
    return mutation::Run(loop, argc, argv);
}
