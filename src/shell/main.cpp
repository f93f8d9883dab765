#include "shell/AppDelegate.h"
#include "shell/OVRAApplication.h"

int main(int argc, char *argv[])
{
    OVRAApplication app(argc, argv);
    AppDelegate delegate;
    return delegate.run();
}
