#pragma once
// What the unit tests share: COM set up per test, the recording fake engine
// loaded, a stand-in control, the engine calls logged since a mark, and
// recording sinks on the control's events that are let go before it.
#include "fake_engine_library.h"
#include "recording_sink.h"
#include "test_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmark_test {

class ControlUnitTest : public ::testing::Test {
protected:
    using Lines = std::vector<std::string>;

    void SetUp() override
    {
        ASSERT_TRUE(fake.Loaded());
        CoInitialize(nullptr);
        control = TestControl::Create();
    }
    void TearDown() override
    {
        for (RecordingSink* sink : sinks) {
            sink->Unadvise();
            sink->Release();
        }
        sinks.clear();
        if (control)
            control->Release();
        control = nullptr;
        CoUninitialize();
    }
    // Loads the engine and forgets what the loading logged.
    void LoadEngine()
    {
        ASSERT_EQ(S_OK, control->LoadEngine());
        mark = fake.LogSize();
        control->calls.clear();
    }
    // The engine calls since the last LoadEngine.
    Lines EngineCalls() const { return fake.LogFrom(mark); }
    // A sink advised on the control's events, recording into events.
    RecordingSink* Advise(std::string name = "")
    {
        sinks.push_back(AdviseSink(control, &events, std::move(name)));
        return sinks.back();
    }

    FakeEngineLibrary fake;
    TestControl* control = nullptr;
    size_t mark = 0;
    std::vector<RecordingSink*> sinks;
    Lines events;
};

} // namespace quillmark_test
