#pragma once

#include "link/KebProtocol.h"
#include "model/DecoderConfiguration.h"

#include <string>
#include <vector>

// The check after a Send: does the decoder hold what was sent? Each memory location the Send
// addressed and each user record it wrote is compared by the value it holds, so a time sent as
// "060" and read back as 60 is the same, and a blank slot matches a blank slot whatever modes
// the configuration keeps for it.

// What the Send wrote, and so what the read-back must show.
struct TReadBackScope {
  bool Settings = false;       // the output settings and series 3 options this decoder takes
  bool ManagementCode = false; // series 2 and 3 (a series 1's code is never changed)
  bool Users = false;          // every slot below UserCount
};

// `sent` is the configuration as sent, identified to the decoder. The configuration the decoder
// holds: `sent` with every compared item that differs replaced by the decoder's value, so the
// two differ exactly where the decoder does not hold what was sent.
TDecoderConfiguration HeldConfiguration(const TDecoderConfiguration &sent, const TMemoryRead &held,
                                        const TReadBackScope &scope);

// The differences as the user reads them, one a line ("User 012 code: 1234 -> 1334"), in
// location and slot order; empty when the decoder holds what was sent.
std::vector<std::string> ReadBackDifferences(const TDecoderConfiguration &sent, const TMemoryRead &held,
                                             const TReadBackScope &scope);
