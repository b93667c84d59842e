#include "cli/Terminal.h"

#if defined(_WIN32)
#include <io.h>
bool IsTerminal(std::FILE *stream) {
  return _isatty(_fileno(stream)) != 0;
}
#elif defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
bool IsTerminal(std::FILE *stream) {
  return isatty(fileno(stream)) != 0;
}
#else
bool IsTerminal(std::FILE *) {
  return false;
}
#endif
