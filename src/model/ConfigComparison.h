#pragma once

#include "model/DecoderConfiguration.h"

#include <string>
#include <vector>

// One way in which two configurations differ, as a user reads it.
struct TConfigDifference {
  std::string Item;  // "User 012 code", "Door 1 DOTL time", "Management code", "Decoder type"
  std::string Left;  // the value as the window shows it, in the first configuration
  std::string Right; // the same in the second
  // "User 012 code: 1234 -> 5678"; an empty value reads "(blank)".
  std::string Text() const;
  bool operator==(const TConfigDifference &) const = default;
};

// A value as a list of differences shows it: the value, or "(blank)" for an empty one.
std::string ShownValue(const std::string &value);

// Everything a decoder of the first configuration's identity takes that the two hold
// differently, in the order the window shows it: decoder type and series, management code,
// each output setting of each output the decoder has, the series 3 options it has, then each
// user in use whose code or mode differs.
//
// When the identities differ, the type and series differences are listed and the rest is
// compared as the first configuration's decoder takes it (its outputs, options and users in
// use): the first is the one the user works with, the window's or the file to be sent.
// Choices are compared by their index, times by the number they stand for, so a value that
// would reach the decoder alike is no difference. User names and notes are not compared: they
// never reach the decoder.
std::vector<TConfigDifference> CompareConfigurations(const TDecoderConfiguration &left,
                                                     const TDecoderConfiguration &right);
