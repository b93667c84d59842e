#pragma once

#include <QStringList>

#include <cstdio>

// Exit statuses of kebqor-cli. A failed Get or Send exits with its TLinkResult number.
enum TCliExit : int {
  ExitOK = 0,
  ExitDifferences = 8, // send: the decoder does not hold what was sent; diff: the two differ
  ExitMismatch = 9,    // the decoder does not match the settings; nothing was sent
  ExitCancelled = 12,
  ExitUsage = 64,
  ExitBadContent = 65,
  ExitCannotOpen = 66,
  ExitCannotWrite = 73,
};

// Runs one kebqor-cli command line (arguments without the program name at index 0 are
// accepted too: index 0 is always skipped, as in argv).
int RunCli(const QStringList &arguments, std::FILE *out = stdout, std::FILE *err = stderr,
           std::FILE *in = stdin);
