#pragma once

#include "link/ComPortInterface.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

// A line on which nothing ever answers. It counts the opens, and the first read can call back
// into the test while the operation is running.
class TSilentPort : public IComPort {
public:
  void Open() override {
    Open_ = true;
    ++Opened;
  }
  void Close() override { Open_ = false; }
  bool Connected() const override { return Open_; }
  int Read(std::uint8_t *buffer, int count) override {
    if (count > 0)
      buffer[0] = 0xFF;
    if (OnFirstRead) {
      auto callback = std::move(OnFirstRead);
      OnFirstRead = nullptr;
      callback();
    }
    return 0;
  }
  int Write(const std::uint8_t *, int count) override { return count; }
  int InputCount() override { return 0; }
  void ClearBuffer(bool, bool) override {}
  std::string PortName() const override { return "COM1"; }
  std::int32_t ReadTotalConstant() const override { return Timeout_; }
  void SetReadTotalConstant(std::int32_t milliseconds) override { Timeout_ = milliseconds; }

  std::function<void()> OnFirstRead;
  int Opened = 0;

private:
  bool Open_ = false;
  std::int32_t Timeout_ = 200;
};
