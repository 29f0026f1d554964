#pragma once
// Resident memory of this process, from /proc/self/status, in KiB.

// VmRSS now.
long ResidentKiB();
// VmHWM: the highest VmRSS since the process started or since ResetPeak().
long PeakResidentKiB();
// Starts a new peak from the current VmRSS (Linux clear_refs). False when the
// kernel refuses; PeakResidentKiB() then still counts from process start.
bool ResetPeak();
