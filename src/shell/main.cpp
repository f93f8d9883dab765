#include "platform/MemoryTuning.h"
#include "shell/AppDelegate.h"
#include "shell/OVRAApplication.h"

int main(int argc, char *argv[])
{
    MemoryTuning::tuneAllocatorForLargeImages();
    OVRAApplication app(argc, argv);
    AppDelegate delegate;
    return delegate.run();
}
