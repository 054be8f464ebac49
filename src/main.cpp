// The morvu command: morvu [options] program [args].

#include "driver/startup.h"

int main(int argc, char** argv) { return morvu::morvu_main(argc, argv); }
