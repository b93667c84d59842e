// The KEB QOR Programmer: one main window for one decoder configuration.

#include "ui/Application.h"
#include "ui/MainForm.h"

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TApplication::setOrganizationName("Varto");
  TApplication::setApplicationName("KEBQOR");

  TMainOptions options;
  options.Arguments = TApplication::arguments().mid(1);
  options.HelpFileName = "KEBQOR.CHM";
  // Set by scripts/run-with-sim so that the program opens on the virtual decoder's port.
  options.RememberedPortOverride = qEnvironmentVariable("KEBQOR_PORT");

  TMain main(std::move(options));
  main.show();
  TApplication::exec();
  return 0;
}
