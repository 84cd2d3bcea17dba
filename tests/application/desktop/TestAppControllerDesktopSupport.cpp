// The D-Bus helpers of the platform's desktop tests (fake services, a private bus,
// programs stopped by process id), built into this test program as well.
#include "tests/platform/desktop/DesktopTestSupport.cpp"
