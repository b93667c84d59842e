#include "link/CPortTypes.h"

#include <utility>

EComPortExt::EComPortExt(int code, std::string reason, const std::string &portName)
    : EComPort(code, "COM Port Error: " + reason + " on " + portName), Reason(std::move(reason)) {}
