#include "app/program.h"
#include "app/window_loader.h"

int main(int argc, char** argv) {
    return kadrel::runProgram(argc, argv, kadrel::runWindowModeFromModule);
}
