// The personalisation workload on a simulated reader with line emulation:
// it completes and the card holds what it wrote.
#include "bench/personalisation.h"
#include "kavex.h"
#include "tests/support/sim_reader.h"

#include <gtest/gtest.h>

namespace {

TEST(Personalisation, CompletesOverAnEmulatedLine)
{
    kavex::sim::desfire::DesfireCardOptions options;
    options.storageSize = kavex::bench::kPersonalisationCardSize;
    kavex::test::SimReader reader({}, options);
    reader.pty.SetLineEmulation(true);
    // A fast line keeps the test short; the emulation is the same at any rate.
    const int h = Kavex_OpenPort(reader.link.c_str(), 11520000, 2000);
    ASSERT_GT(h, 0);
    const kavex::bench::PersonalisationResult result = kavex::bench::Personalise(h);
    Kavex_ClosePort(h);
    EXPECT_EQ(result.failure, "");
    EXPECT_GE(result.bytesWritten, 8192u);
    EXPECT_EQ(reader.State().applications.size(), 5u);
}

} // namespace
