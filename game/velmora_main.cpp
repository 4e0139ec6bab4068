// Velmora: steer an iceberg across the sea.
#include "host/hx_main.h"

int main(int argc, char **argv) {
    host_MainBody(argc, argv);
    return 0;
}
