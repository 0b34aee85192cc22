#include "link/CommandCatalogue.h"

namespace qb::commands {

std::uint8_t BlockReadCommand(int n)
{
    return n == 16 ? 16 : static_cast<std::uint8_t>(240 + n);
}

std::uint8_t OutputSwitchCommand(int n, int s)
{
    return static_cast<std::uint8_t>(128 + n + s);
}

Frame bare(std::uint8_t command)
{
    return Frame{QByteArray{1, char(command)} + char(CR)};
}

Frame blockRead(int n)
{
    return bare(BlockReadCommand(n));
}

Frame outputSwitch(int n, int s)
{
    return bare(OutputSwitchCommand(n, s));
}

}  // namespace qb::commands
