// The flarimond command: loads the plug-in into the stand-in host and drives it.
#include "commands.h"

int main(int argc, char** argv) { return fltools::runFlarimond(argc, argv); }
