// The kiosk program.
#include "UAppStart.h"

int main(int argc, char** argv)
{
    return KioskMain(argc, argv);
}
