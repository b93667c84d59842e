#include "link/CPortTypes.h"

#include <array>

namespace {

struct TErrorText {
  int Code;
  const char *Text;
};

constexpr std::array<TErrorText, 9> ErrorTexts{{
    {CE_OpenFailed, "Unable to open com port"},
    {CE_WriteFailed, "WriteFile function failed"},
    {CE_ReadFailed, "ReadFile function failed"},
    {CE_PurgeFailed, "PurgeComm function failed"},
    {CE_SetStateFailed, "SetCommState function failed"},
    {CE_SetTimeoutsFailed, "SetCommTimeouts failed"},
    {CE_SetupComFailed, "SetupComm function failed"},
    {CE_ClearComFailed, "ClearCommError function failed"},
    {CE_RegError, "Registry error"},
}};

} // namespace

std::string ComErrorText(int code) {
  for (const TErrorText &entry : ErrorTexts)
    if (entry.Code == code)
      return entry.Text;
  return "Unknown Error #" + std::to_string(code);
}

EComPortExt::EComPortExt(int code, int winCode, const std::string &portName)
    : EComPort(code, "COM Port Error: " + ComErrorText(code) + " on " + portName), WinCode(winCode) {}
