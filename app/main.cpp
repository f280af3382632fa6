// The process entry hands its arguments to the program's start.
#include "app/QzanRMRivad.h"
#include "platform/ui.h"

int main(int argc, char **argv)
{
    RunTimeInstance instance{argc, argv};
    return WinMain(&instance, nullptr, nullptr, 1);
}
