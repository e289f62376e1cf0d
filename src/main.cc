#include "app/mainmodule.h"
#include "ui/main/windowmode.h"

int main(int argc, char** argv) { return kadrel::Main(argc, argv, kadrel::runWindowMode); }
