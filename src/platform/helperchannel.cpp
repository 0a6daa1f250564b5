#include "platform/helperchannel.h"

std::unique_ptr<HelperChannel> HelperChannel::take()
{
    int input = -1;
    int output = -1;
    if (!takeDescriptors(input, output))
        return nullptr;
    return std::unique_ptr<HelperChannel>(new HelperChannel(input, output));
}
