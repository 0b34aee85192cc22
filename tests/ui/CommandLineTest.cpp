#include "ui/CommandLine.h"

#include <gtest/gtest.h>

using namespace qb;

TEST(CommandLine, Options)
{
    struct Case {
        QStringList args;
        std::optional<int> port;
        const char* device;
        bool demo;
        const char* demoId;
        bool error;
    };
    const Case cases[] = {
        {{}, std::nullopt, "", false, "R5--XC45", false},
        {{"--port", "/dev/ttyUSB0"}, 1, "/dev/ttyUSB0", false, "R5--XC45", false},
        {{"--port", "3=/dev/pts/7"}, 3, "/dev/pts/7", false, "R5--XC45", false},
        {{"--port=20=/dev/ttyS1"}, 20, "/dev/ttyS1", false, "R5--XC45", false},
        {{"--demo"}, 1, "", true, "R5--XC45", false},
        {{"--demo=L7466469"}, 1, "", true, "L7466469", false},
        {{"--demo=L7"}, std::nullopt, "", true, "L7", true},
        {{"--port", "21=/dev/x"}, std::nullopt, "", false, "R5--XC45", true},
        {{"--port", "0=/dev/x"}, std::nullopt, "", false, "R5--XC45", true},
        {{"--port", "2="}, std::nullopt, "", false, "R5--XC45", true},
        {{"--port"}, std::nullopt, "", false, "R5--XC45", true},
        {{"--bogus"}, std::nullopt, "", false, "R5--XC45", true},
        {{"--demo", "--port", "/dev/x"}, 1, "/dev/x", true, "R5--XC45", true},
    };
    for (const Case& c : cases) {
        const CommandLine line = parseCommandLine(QStringList{"quenbrix"} + c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(!line.error.isEmpty(), c.error);
        if (c.error)
            continue;
        EXPECT_EQ(line.pinnedPort, c.port);
        EXPECT_EQ(line.device, QString::fromLatin1(c.device));
        EXPECT_EQ(line.demo, c.demo);
        EXPECT_EQ(line.demoId, QString::fromLatin1(c.demoId));
    }
    EXPECT_TRUE(parseCommandLine({"quenbrix", "--help"}).help);
    EXPECT_EQ(parseCommandLine({"quenbrix", "--log", "/tmp/a.log"}).logPath, QStringLiteral("/tmp/a.log"));
    EXPECT_EQ(parseCommandLine({"quenbrix", "--log=b.log", "--demo"}).logPath, QStringLiteral("b.log"));
    EXPECT_FALSE(parseCommandLine({"quenbrix", "--log"}).error.isEmpty());
    EXPECT_FALSE(parseCommandLine({"quenbrix", "--log="}).error.isEmpty());
}
