// IPersistStreamInit::Load of damaged saved streams of the control.
#include "control_mutation_support.h"

using namespace control_mutations;

int main(int argc, char** argv) {
    mutation::Loop loop;
    loop.name = "control_stream_mutations";
    OleInitialize(nullptr);
    const std::vector<Bytes> forms = SeedForms(SaveStream);
    OleUninitialize();
    for (size_t i = 0; i < forms.size(); ++i)
        if (!forms[i].empty()) mutation::AddSeed(loop.seeds, "saved stream " + std::to_string(i), forms[i]);
    loop.threadStart = ThreadStart;
    loop.threadEnd = ThreadEnd;
    loop.judge = [](const mutation::Case& input, std::string& note) {
        return Judge(input.bytes, SaveStream, LoadStream, note);
    };
    return mutation::Run(loop, argc, argv);
}
