#include "cli.h"

int main(int argc, char** argv) { return tarnvold::cli::run(argc, argv); }
