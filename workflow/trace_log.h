#pragma once

// Timing marks for measuring the program from outside. With the environment
// variable SPECKWASH_TRACE set to 1, TraceEvent writes one line
// "trace MILLISECONDS EVENT" to stderr, counting from the process start;
// otherwise it does nothing.
bool TraceEnabled();
void TraceEvent(const char* event);
