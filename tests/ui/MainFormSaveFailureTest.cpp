// Saving from the window onto a device that is full or read-only: the message box says so and
// the file that was there stays exactly as it was.

#include "MainWindowFixture.h"

#include "files/SettingsFile.h"
#include "support/CaseName.h"
#include "support/FileBytes.h"
#include "support/SmallDevice.h"

namespace {

struct TDeviceCase {
  const char *Name;
  bool ReadOnly; // else full
  const char *Message;
};

class MainFormSaveFailureTest : public MainWindowTest, public testing::WithParamInterface<TDeviceCase> {};

TEST_P(MainFormSaveFailureTest, SaysSoAndKeepsTheOldFile) {
  TSmallDevice device(16);
  if (!device.Mounted())
    GTEST_SKIP() << "cannot mount a small file system here";
  const QString path = device.FilePath("site.qor");
  const QByteArray old = "[QOR SETTINGS FILES]\n\nDecoderType = 1\n";
  ASSERT_TRUE(PutFileBytes(path, old));
  if (GetParam().ReadOnly)
    ASSERT_TRUE(device.MakeReadOnly());
  else
    ASSERT_TRUE(device.Fill());

  TMain &main = Start();
  for (int slot = 0; slot < 600; ++slot)
    main.Config().UserCodes[static_cast<std::size_t>(slot)].Code = std::to_string(100000 + slot);
  SavePathAnswer = path;
  Boxes.Answers.push_back(IMessageBoxes::TAnswer::Yes); // overwrite
  main.SaveSettingsMenuItemClick();

  ASSERT_EQ(Boxes.Shown.size(), 2u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Overwrite existing file?");
  EXPECT_EQ(Boxes.Shown[1].Text, GetParam().Message);
  EXPECT_EQ(Boxes.Shown[1].Caption, "Error");
  EXPECT_EQ(Boxes.Shown[1].Icon, IMessageBoxes::TIcon::Error);
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_TRUE(main.isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Devices, MainFormSaveFailureTest,
                         testing::Values(TDeviceCase{"Full", false, "Error writing to settings file"},
                                         TDeviceCase{"ReadOnly", true, "Error opening file for writing"}),
                         CaseName);

} // namespace
