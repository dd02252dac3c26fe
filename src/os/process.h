// Process-wide set-up done once before the tool does anything else.
#pragma once

// Makes failed writes come back as errors instead of ending the process: a
// write past the file-size limit or into a closed pipe would otherwise stop
// the tool in the middle of a file (POSIX); no error dialog box waits for a
// user, and standard output is binary (Windows). With glibc, buffers of
// any size the tool uses come from the heap and freed memory is kept for
// the next module rather than handed back to the kernel at once. The
// permissions of new files are settled here, before any thread starts.
void PrepareProcess();

// The number of processors the process may run on (its affinity, which a
// container or `taskset` narrows), at least 1.
int UsableProcessorCount();
