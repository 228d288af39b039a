// The viewer's entry point: loads dataTest3.dat, opens the window and runs the event loop.
#include "driver/GlutDriver.h"
#include "io/Diagnostic.h"

// No exception leaves the program: memory that runs out where no check was made ends the run
// with one line.
int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino", kalderino::runViewer, argc, argv);
}
