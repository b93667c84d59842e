#include "CliRunner.h"

#include "support/CaseName.h"
#include "version.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

struct TVersionCase {
  const char *Name;
  const char *Program;
  const char *Line; // what --version prints, without the line end
};

class ProgramVersionTest : public ::testing::TestWithParam<TVersionCase> {};

// Each program answers --version on standard output and exits 0, also where no display is
// reachable (a terminal over ssh, a packaging check).
TEST_P(ProgramVersionTest, PrintsItsVersionLineWithoutADisplay) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    environment.remove(name);
  process.setProcessEnvironment(environment);
  process.setStandardInputFile(QProcess::nullDevice());
  process.start(ProgramPath(GetParam().Program), {"--version"});
  ASSERT_TRUE(process.waitForFinished(30000)) << GetParam().Program;
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_EQ(process.readAllStandardOutput(), QByteArray(GetParam().Line) + "\n");
  EXPECT_EQ(process.readAllStandardError(), QByteArray());
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramVersionTest,
                         ::testing::Values(TVersionCase{"Window", "kebqor", KEBQOR_VERSION_LINE},
                                           TVersionCase{"CommandLine", "kebqor-cli", KEBQOR_VERSION_LINE},
                                           TVersionCase{"VirtualDecoder", "kebqor-sim",
                                                        "kebqor-sim " KEBQOR_VERSION}),
                         CaseName);

TEST(ProgramVersion, IsTheProjectsVersion) {
  EXPECT_STREQ(KEBQOR_VERSION_LINE, "KEB QOR Programmer 2.11.0.0");
}

} // namespace
