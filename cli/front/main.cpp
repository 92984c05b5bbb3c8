// main.cpp - the entry of varnok-cli (the Windows build's runtime calls it too).
#include "cli/front/CliMain.h"

int main(int argc, char** argv) { return CliMain(argc, argv); }
