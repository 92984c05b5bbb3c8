// CliMain.h - varnok-cli: the main dialog's upload from the command line, for build scripts;
// shared by the Linux and the Windows console programs, off the standard library.
#ifndef VARNOK_CLI_FRONT_CLIMAIN_H
#define VARNOK_CLI_FRONT_CLIMAIN_H

int CliMain(int argc, char** argv);

#endif  // VARNOK_CLI_FRONT_CLIMAIN_H
