// Program entry: start-up, then the main loop for the life of the process.
#include "core/startup.h"

int main(int argc, char** argv) {
  ku_init(argc, argv);
  ku_main_loop();
}
