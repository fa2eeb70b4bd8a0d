#pragma once
// Timing marks for the benchmark in bench/. When the environment variable
// VORNIX_TIMING_LOG names a file, each mark appends one line to it:
//   <label> <value> <time in ms on the performance counter>
// The performance counter is the same clock in every process on the machine,
// so a driver can set the marks against its own readings. Without the
// variable (as for every user) a mark tests one flag and writes nothing; the
// variable is read once, at the first mark.
void timing_mark(const char* label, long value = 0);
