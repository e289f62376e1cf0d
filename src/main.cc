#include "app/mainmodule.h"
#include "app/windowloader.h"

int main(int argc, char** argv) {
    return kadrel::Main(argc, argv, kadrel::runWindowModeFromModule);
}
