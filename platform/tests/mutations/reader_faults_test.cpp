// Inputs that once broke a rule of the workbench's file readers, each written
// out as the bytes of the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "module_catalogue.h"
#include "testkit.h"

namespace {

// A fingerprint file cut short: refused, and the sum the caller holds is not
// touched (it used to be set to 0 before the refusal).
TEST(WorkbenchReaderFaults, ShortFingerprintLeavesTheSumAsItWas)
{
    const std::vector<std::vector<uint8_t>> files = {
        {},
        {0x78},
        {0x78, 0x56, 0x34},
    };
    testkit::TempFolder dir("finger-fault");
    for (size_t i = 0; i < files.size(); ++i) {
        testkit::WriteBytes(dir / "ModCh.ini", files[i]);
        uint32_t sum = 0xC0DEF00Du;
        EXPECT_FALSE(platform::ReadFingerprint(dir / "ModCh.ini", &sum)) << "file " << i;
        EXPECT_EQ(sum, 0xC0DEF00Du) << "file " << i;
    }
}

} // namespace
