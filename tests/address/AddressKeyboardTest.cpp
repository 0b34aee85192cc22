#include "address/AddressKeyboard.h"

#include <gtest/gtest.h>

using namespace qb::address;

TEST(AddressKeyboard, BlocksCountInEights)
{
    const QStringList dcc = keyboardBlocks(250);
    ASSERT_EQ(dcc.size(), 250);
    EXPECT_EQ(dcc.first(), "1 - 8");
    EXPECT_EQ(dcc[1], "9 - 16");
    EXPECT_EQ(dcc.last(), "1993 - 2000");
    const QStringList motorola = keyboardBlocks(40);
    ASSERT_EQ(motorola.size(), 40);
    EXPECT_EQ(motorola.last(), "313 - 320");
}

TEST(AddressKeyboard, KeyPairsOfAnOutput)
{
    EXPECT_EQ(keyPairs(3, 4), QStringList({"3", "7"}));
    EXPECT_EQ(keyPairs(1, 4), QStringList({"1", "5"}));
    EXPECT_EQ(keyPairs(6, 8), QStringList({"6"}));
    EXPECT_EQ(keyPairs(1, 8), QStringList({"1"}));
}

TEST(AddressKeyboard, AddressAndSwitchNumberOfASelection)
{
    struct Case {
        int block, keyPair, output, outputs;
        int address;   // shown in the address field
        int written;   // given to the decoder
        int virtualAddress;
    };
    const Case cases[] = {
        {0, 0, 1, 4, 1, 1, 1},
        {1, 1, 3, 4, 4, 4, 15},        // block 9 - 16, key 7: 4-output decoders may take an even address
        {1, 0, 3, 4, 3, 3, 11},
        {1, 0, 6, 8, 4, 3, 14},        // outputs 5..8 sit on the second address of the pair
        {1, 0, 2, 8, 3, 3, 10},
        {249, 0, 2, 8, 499, 499, 1994},  // 1993 - 2000
        {249, 0, 8, 8, 500, 499, 2000},
        {249, 1, 4, 4, 500, 500, 2000},
        {39, 0, 2, 8, 79, 79, 314},    // 313 - 320
        {39, 1, 1, 4, 80, 80, 317},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "block " << c.block << " key pair " << c.keyPair << " output " << c.output
                                        << " of " << c.outputs);
        const int address = addressOf(c.block, c.keyPair, c.output, c.outputs);
        EXPECT_EQ(address, c.address);
        EXPECT_EQ(firstAddress(address, c.outputs), c.written);
        EXPECT_EQ(virtualAddress(address, c.output, c.outputs), c.virtualAddress);
        // After the write the decoder's first address gives the same switch number.
        EXPECT_EQ(virtualAddress(c.written, c.output, c.outputs), c.virtualAddress);
    }
}
