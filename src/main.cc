#include "app/mainmodule.h"

int main(int argc, char** argv) { return kadrel::Main(argc, argv); }
