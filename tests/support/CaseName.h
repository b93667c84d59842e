#pragma once

#include <string>

// Names the instances of a table of cases after each case's Name:
//   INSTANTIATE_TEST_SUITE_P(Runs, BatchCounterTest, testing::ValuesIn(CounterCases), CaseName);
inline constexpr auto CaseName = [](const auto &info) { return std::string(info.param.Name); };
