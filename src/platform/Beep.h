#pragma once

// The system's alert sound. Sounds only in a widget application (on its main
// thread, whichever thread asks); elsewhere, as in tools and tests, it is
// silent.
void OvraBeep();
