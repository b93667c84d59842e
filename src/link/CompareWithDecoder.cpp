#include "link/CompareWithDecoder.h"

#include "link/DecoderLink.h"

TDecoderComparison CompareWithDecoder(const TDecoderConfiguration &config, IComPort &port, IClock &clock,
                                      ILinkHost &host) {
  // Starting from a copy leaves what a Get does not read (output 2 of a QOR1) equal, so it is
  // no difference; the user slots the decoder lacks hold nothing there.
  TDecoderConfiguration decoder = config;
  TDecoderComparison comparison;
  comparison.Result = GetFromDecoder(decoder, port, clock, host, true, true);
  if (comparison.Result != lrOK)
    return comparison;
  for (std::size_t slot = static_cast<std::size_t>(decoder.UserCount()); slot < decoder.UserCodes.size();
       ++slot)
    decoder.UserCodes[slot] = TUserCode{};
  comparison.Differences = CompareConfigurations(config, decoder);
  return comparison;
}
