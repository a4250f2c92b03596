#pragma once
// A registered control with the real engine beside it and one layer read
// from a record written out by hand, on an 800 x 600 image.
#include "control_fixture.h"
#include "layer_records.h"

namespace real_engine_test {

class ControlWithLayer : public ControlTest {
protected:
    // Creates the control and reads the record into a new layer.
    void Load(const std::vector<uint8_t>& record)
    {
        control = NewControl();
        ASSERT_NE(nullptr, control);
        ASSERT_EQ(S_OK, control->PrgSetImageMappingDimensions(800, 600));
        VARIANT v = ByteArray(record);
        ASSERT_EQ(S_OK, control->SetLayerFromVariant(&v, &layer));
        VariantClear(&v);
        ASSERT_NE(0, layer);
    }
    void TearDown() override
    {
        if (control)
            control->Release();
        control = nullptr;
        ControlTest::TearDown();
    }

    IQuillmark* control = nullptr;
    long layer = 0;
};

} // namespace real_engine_test
