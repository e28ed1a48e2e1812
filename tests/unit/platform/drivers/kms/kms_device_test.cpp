// Which of the DRM device nodes are the cards the driver tries, and in which order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drivers/kms/kms_device.h"
#include "test_files.h"

namespace ce::drivers::kms {
namespace {

TEST(KmsDevice, TriesTheCardsInTheOrderOfTheirNumbers) {
    struct Row {
        const char* name;
        std::vector<std::string> nodes;
        std::vector<std::string> cards;
    };
    const Row rows[] = {
        {"numbers, not letters, order them",
         {"card10", "card2", "card0"},
         {"card0", "card2", "card10"}},
        {"render nodes and other names are no cards",
         {"renderD128", "card1", "by-path", "card", "cardX", "card3-old"},
         {"card1"}},
        {"no card", {"renderD128"}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        brevanta::test::TemporaryDirectory dri;
        for (const std::string& node : row.nodes) {
            ASSERT_FALSE(dri.WriteFile(node, "").empty());
        }
        std::vector<std::string> expected;
        for (const std::string& card : row.cards) {
            expected.push_back(dri.Path() + "/" + card);
        }
        EXPECT_EQ(DrmCardPaths(dri.Path()), expected);
    }
    EXPECT_TRUE(DrmCardPaths("/nonexistent/dri").empty());
}

}  // namespace
}  // namespace ce::drivers::kms
