#pragma once

// Runs the application's event loop, as the program runs it, until something
// quits it; after timeoutMs a watchdog ends it with watchdogExit. Quitting ends
// every event loop of the thread and no loop can run until the application's
// own has returned: code that quits runs inside this one.
int runApplicationLoop(int timeoutMs, int watchdogExit);
