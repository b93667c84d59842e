#pragma once

#include <cstdio>

// Whether a standard stream is an interactive terminal: the tool then draws a progress bar
// and asks the questions no option answers.
bool IsTerminal(std::FILE *stream);
