// Entry point: everything lives in the library so that tests drive the same code.
#include "app/FramixMain.h"

int main(int argc, char **argv)
{
    return FramixMain(argc, argv);
}
